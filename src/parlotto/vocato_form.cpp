#include "parlotto/vocato_form.h"

#include <QCoreApplication>
#include <exception>

#include "contracts/agent/agent_interfaces.h"
#include "parlotto/command_line.h"
#include "parlotto/debug_log.h"
#include "parlotto/speech/agent_notify_sink.h"
#include "parlotto/speech/speech_control_host.h"
#include "parlotto/startup_settings.h"
#include "platform/com_runtime/apartment.h"
#include "platform/gui/dialogs.h"
#include "platform/loop/clock.h"
#include "platform/loop/termination_signals.h"

namespace parlotto {

TVocatoForm* VocatoForm = nullptr;
bool g_first_close = true;

TVocatoForm::TVocatoForm(const std::vector<std::string>& args) {
  setWindowTitle(QStringLiteral("Parlotto"));
  ApplicationEvents1.OnException = [this](const std::string& message) {
    ApplicationEvents1Exception(message);
  };
  ApplicationEvents1.OnMessage = [this](Msg& msg, bool& handled) {
    ApplicationEvents1Message(msg, handled);
  };
  ApplicationEvents1.OnIdle = [this](bool& done) { ApplicationEvents1Idle(done); };
  CreatePopupMenu();
  Start.SetOnTimer([this] { StartTimer(); });
  EndTimer.SetOnTimer([this] { EndTimerTimer(); });
  CheckForFullBufferToRead.SetOnTimer([this] { CheckForFullBufferToReadTimer(); });
  // The character server, the speech control and automation callers are
  // all objects; this thread is their apartment.
  CoInitialize(nullptr);
  // Calls to the character server cross the bus through the proxies of its
  // interfaces.
  RegisterAgentInterfaces();

  StartupSettings settings = ReadStartupSettings();
  no_agent = settings.no_agent;
  is_english = settings.is_english;

  ApplyCommandLine(args);
}

TVocatoForm::~TVocatoForm() {
  if (VocatoForm == this) VocatoForm = nullptr;
}

void TVocatoForm::ApplyCommandLine(const std::vector<std::string>& args) {
  const Switch* entry = FindSwitch(args);
  if (entry == nullptr) return;

  run_mode = entry->run_mode;
  std::string operand = Operand(args);
  SetOperand(entry->field, operand);
  if (entry->missing_file_message != nullptr && !NamesAFile(operand)) {
    // The dialog runs its own message loop: the start timer must not start
    // a source (and then end the program) behind the user's back.
    Start.SetEnabled(false);
    ShowErrorDialog(entry->missing_file_message);
    terminated_ = true;
    return;
  }
  // The conversion takes a while, so the wait dialog is up at once; but not
  // for a file that is not there, which nothing will convert.
  if (run_mode == rmPdfDocument) ShowWaitDialog();
}

void TVocatoForm::SetOperand(OperandField field, const std::string& operand) {
  switch (field) {
    case OperandField::kNone:
      break;
    case OperandField::kTextFileName:
      text_file_name = operand;
      break;
    case OperandField::kWordDocumentName:
      word_document_name = operand;
      break;
    case OperandField::kPdfDocumentName:
      pdf_document_name = operand;
      break;
    case OperandField::kWebAddress:
      web_address = operand;
      break;
    case OperandField::kTextToRead:
      text_to_read = operand;
      break;
  }
}

void TVocatoForm::StartTimer() {
  Start.SetEnabled(false);
  // Whatever the source does, failing included, the end timer ends the
  // program afterwards; otherwise it would run on unseen. A quit during the
  // reading may already have shortened the interval.
  try {
    if (!RunSource(run_mode)) return;
  } catch (...) {
    ScheduleEnd(false);
    throw;
  }
  ScheduleEnd(false);
}

void TVocatoForm::ScheduleEnd(bool soon) {
  // A source that has ended does not end the reading service, which ends
  // when it has been idle; only a quit does.
  if (!soon && Serving()) return;
  if (soon) {
    run_mode = rmNone;
    EndTimer.SetInterval(100);
  }
  EndTimer.SetEnabled(true);
}

bool TVocatoForm::RunSource(TRunMode mode) {
  switch (mode) {
    case rmClipboard:
      ReadClipboard();
      break;
    case rmTextFile:
      ReadTextFile(text_file_name);
      break;
    case rmBrowserWindow:
      ReadBrowserWindow();
      break;
    case rmCommandLineText:
      ReadText();
      break;
    case rmWebPage:
      ReadWebPage(web_address);
      break;
    case rmWordDocument:
      ReadWordDocument();
      break;
    case rmPdfDocument:
      ReadPdfDocument();
      break;
    case rmNone:
    case rmAutomation:
    case rmService:
    default:
      return false;
  }
  return true;
}

void TVocatoForm::EndTimerTimer() {
  EndTimer.SetEnabled(false);
  std::exception_ptr failure;
  try {
    if (character_loaded) StopAndHideCharacter();
  } catch (...) {
    // The program still has to end; the hook hears of it afterwards.
    failure = std::current_exception();
  }
  // Blocks on purpose: the character's hide animation plays meanwhile and
  // nothing else may start. Only a termination signal cuts it short.
  for (int i = 0; i < 5; ++i) {
    if (SleepUnlessTerminating(1000)) break;
  }
  if (run_mode != rmAutomation) Close();
  if (failure) std::rethrow_exception(failure);
}

void TVocatoForm::OfferText(const std::string& text) {
  ++texts_offered_;
  text_to_read = text;
  if (!text_to_read.empty()) CheckForFullBufferToRead.SetEnabled(true);
}

bool TVocatoForm::ReadTextNow(const std::string& text) {
  ++texts_offered_;
  text_to_read = text;
  return text_to_read.empty() || ReadText();
}

void TVocatoForm::StopReading() {
  // The piece being spoken goes on until the end timer hides the character.
  text_to_read.clear();
  DropQueuedTexts();
  ScheduleEnd(true);
}

void TVocatoForm::QueueText(const std::string& text, std::function<void(bool read)> done) {
  queued_texts_.emplace_back(text, std::move(done));
}

void TVocatoForm::ReadNextQueuedText() {
  if (Reading() || queued_texts_.empty()) return;
  auto [text, done] = std::move(queued_texts_.front());
  queued_texts_.pop_front();
  done(ReadTextNow(text));
}

void TVocatoForm::DropQueuedTexts() {
  auto dropped = std::move(queued_texts_);
  queued_texts_.clear();
  for (auto& [text, done] : dropped) done(false);
}

void TVocatoForm::CheckForFullBufferToReadTimer() {
  // Once per caller's text.
  CheckForFullBufferToRead.SetEnabled(false);
  ReadText();
}

void TVocatoForm::Close() {
  closed_ = true;
  // A closed window starts nothing any more, even while its close handler
  // waits for the speech to settle.
  StopTimers();
  std::exception_ptr failure;
  bool permitted = true;
  try {
    permitted = FormCloseQuery();
  } catch (...) {
    failure = std::current_exception();
  }
  if (permitted) {
    try {
      FormClose();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    // The application terminates unless automation clients still hold
    // objects and the user keeps it for them; a termination signal does not
    // ask.
    if (ending_at_once_ || TerminateConfirmed()) QCoreApplication::exit(0);
  }
  if (failure) std::rethrow_exception(failure);
}

void TVocatoForm::EndAtOnce() {
  if (ending_at_once_) return;
  ending_at_once_ = true;
  DropQueuedTexts();
  if (closed_) {
    // Closed and kept for automation clients, or asking whether to be: the
    // loop ends now, the question and the clients' objects with it.
    QCoreApplication::exit(0);
    return;
  }
  text_to_read.clear();
  run_mode = rmNone;
  stop_flag = true;
  StopTimers();
  std::exception_ptr failure;
  try {
    SilenceSpeech();
  } catch (...) {
    failure = std::current_exception();
  }
  // After the stop: once the loop is asked to end, nested waits (calls to
  // the character server among them) return at once. A reading's own wait
  // sees the stop flag at its next round and returns to the loop first.
  QCoreApplication::exit(0);
  if (failure) std::rethrow_exception(failure);
}

void TVocatoForm::StopTimers() {
  Start.SetEnabled(false);
  EndTimer.SetEnabled(false);
  CheckForFullBufferToRead.SetEnabled(false);
}

void TVocatoForm::FormClose() {
  stop_flag = true;
  const bool first = g_first_close;
  // Cleared first: a release that throws is not tried again.
  g_first_close = false;
  if (!first) return;
  if (no_agent) {
    DestroyDirectSpeech();
  } else {
    UnloadCharacter();
  }
}

void TVocatoForm::ApplicationEvents1Exception(const std::string& message) {
  WriteDebugLog(message);
}

}  // namespace parlotto
