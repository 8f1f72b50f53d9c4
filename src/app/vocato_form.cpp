#include "app/vocato_form.h"

#include <QCoreApplication>

#include "app/command_line.h"
#include "app/debug_log.h"
#include "app/startup_settings.h"
#include "platform/clock.h"
#include "platform/com/apartment.h"
#include "platform/dialogs.h"
#include "speech/speech_control_host.h"

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
  // The character server, the speech control and automation callers are
  // all objects; this thread is their apartment.
  CoInitialize(nullptr);

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
  switch (entry->field) {
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
  // The conversion takes a while, so the wait dialog is up before anything
  // else happens, even before the file is known to exist.
  if (run_mode == rmPdfDocument) ShowWaitDialog();

  if (entry->missing_file_message != nullptr && !FileExists(operand)) {
    ShowErrorDialog(entry->missing_file_message);
    terminated_ = true;
  }
}

void TVocatoForm::StartTimer() {
  Start.SetEnabled(false);
  switch (run_mode) {
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
    default:
      return;
  }
  // A quit during the reading may already have shortened the interval.
  EndTimer.SetEnabled(true);
}

void TVocatoForm::EndTimerTimer() {
  EndTimer.SetEnabled(false);
  if (character_loaded) StopAndHideCharacter();
  // Blocks on purpose: the character's hide animation plays meanwhile and
  // nothing else may start.
  for (int i = 0; i < 5; ++i) Sleep(1000);
  if (run_mode != rmAutomation) Close();
}

void TVocatoForm::Close() {
  if (!FormCloseQuery()) return;
  FormClose();
  QCoreApplication::exit(0);
}

void TVocatoForm::FormClose() {
  stop_flag = true;
  if (g_first_close) {
    if (no_agent) {
      DestroyDirectSpeech();
    } else {
      UnloadCharacter();
    }
  }
  g_first_close = false;
}

void TVocatoForm::ApplicationEvents1Exception(const std::string& message) {
  WriteDebugLog(message);
}

}  // namespace parlotto
