// The main window's start and end: what the command line leaves behind, the
// start timer's dispatch, the close handler and the exception hook; and the
// same under trouble: a start-up error dialog that nobody answers for a
// while, sources and handlers that throw, the end a termination signal asks for.
#include "parlotto/vocato_form.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "parlotto/ui/dialogs/wait_dialog.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/loop/clock.h"
#include "platform/loop/timer.h"
#include "support/fake_character.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/spin_loop.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::TraceEvents;
using Args = std::vector<std::string>;
using testing::Peer;
using testing::RunLoopFor;

class VocatoFormTest : public ::testing::Test {
 protected:
  VocatoFormTest()
      : hive_(dir_.File("user.reg")),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        temp_env_("TEMP", dir_.path().c_str()),
        // Set before anything reads the clock; the waits below are computed
        // from the scale in force, so a clock read earlier only slows them.
        scale_env_("PARLOTTO_TIME_SCALE", "0.05"),
        dialogs_env_("PARLOTTO_DIALOGS", nullptr) {
    g_first_close = true;
  }

  void DirectMode() { testing::WriteFile(hive_, testing::kReadAloudWithoutCharacterHive); }

  ScratchDir dir_;
  std::string hive_;
  ScopedEnv hive_env_;
  ScopedEnv temp_env_;
  ScopedEnv scale_env_;
  ScopedEnv dialogs_env_;
};

TEST_F(VocatoFormTest, NothingStartsOrEndsWhileTheMissingFileDialogWaitsForTheUser) {
  struct Case {
    Args args;
    const char* message;
  };
  const Case cases[] = {
      {{"-f", dir_.File("fehlt.txt")}, "Leider wurde die Textdatei nicht gefunden."},
      {{"-doc", dir_.File("fehlt.doc")}, "Leider wurde das Dokument nicht gefunden."},
      {{"-pdf", dir_.File("fehlt.pdf")}, "Leider wurde das Dokument nicht gefunden."},
      {{"-html", dir_.File("fehlt.html")}, "Leider wurde die HTML-Datei nicht gefunden."},
  };
  // Long enough for the start timer to have fired ten times over, and for
  // the start, the end timer and the end's wait all together.
  const int hold_ms = ScaledMs(10000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    QPointer<QMessageBox> box;
    QString title;
    QString text;
    bool open_when_answered = false;
    bool wait_dialog_up = false;
    QElapsedTimer shown;
    QTimer user;
    user.setInterval(10);
    QObject::connect(&user, &QTimer::timeout, [&] {
      if (box.isNull() && !shown.isValid()) {
        box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box.isNull()) return;
        title = box->windowTitle();
        text = box->text();
        wait_dialog_up = frmWarten != nullptr && frmWarten->isVisible();
        shown.start();
        return;
      }
      if (shown.elapsed() < hold_ms) return;
      user.stop();
      open_when_answered =
          !box.isNull() && box->isVisible() && QApplication::activeModalWidget() == box.data();
      if (open_when_answered) box->button(QMessageBox::Ok)->click();
    });
    user.start();

    TVocatoForm form(c.args);
    user.stop();

    ASSERT_TRUE(shown.isValid()) << "no dialog was shown";
    EXPECT_EQ(title.toStdString(), "Fehler");
    EXPECT_EQ(text.toStdString(), c.message);
    EXPECT_TRUE(open_when_answered) << "the dialog went away before it was answered";
    EXPECT_TRUE(form.Terminated());
    // Nothing ran and nothing is waiting to run.
    EXPECT_FALSE(Peer(form).Start().Enabled());
    EXPECT_FALSE(Peer(form).EndTimer().Enabled());
    EXPECT_FALSE(Peer(form).stop_flag());
    EXPECT_FALSE(form.Closed());
    // No wait dialog, not even for "-pdf": nothing will be converted.
    EXPECT_FALSE(wait_dialog_up);
    EXPECT_EQ(frmWarten, nullptr);
    RunLoopFor(ScaledMs(3000));
    EXPECT_FALSE(Peer(form).EndTimer().Enabled());
    EXPECT_FALSE(Peer(form).stop_flag());
  }
}

TEST_F(VocatoFormTest, ASourceThatThrowsStillArmsTheEndTimer) {
  // A speech runtime that is there but cannot be loaded: the control cannot
  // be created and the read routine throws.
  DirectMode();
  const std::string system = dir_.File("system");
  std::filesystem::create_directories(system + "/speech");
  testing::WriteFile(system + "/speech/xvoice.so", "kein Programm");
  testing::WriteFile(system + "/classes.reg", "Windows Registry Editor Version 5.00\n\n");
  ScopedEnv system_env("PARLOTTO_SYSTEM_DIR", system.c_str());

  TVocatoForm form(Args{"-d", "Hallo"});
  ASSERT_TRUE(Peer(form).no_agent());
  EXPECT_THROW(form.StartTimer(), std::runtime_error);
  EXPECT_FALSE(Peer(form).Start().Enabled());
  EXPECT_TRUE(Peer(form).EndTimer().Enabled());
}

// A character whose Stop fails the way a broken server's proxy may: with an
// exception instead of an error code.
class BrokenCharacter final : public testing::FakeCharacter {
 public:
  int stop_alls = 0;

  HRESULT Stop(LONG) override { throw std::runtime_error("Der Server antwortet nicht."); }
  HRESULT StopAll(LONG types) override {
    EXPECT_EQ(types, static_cast<LONG>(0xFFFFFFFF));
    ++stop_alls;
    return S_OK;
  }
};

TEST_F(VocatoFormTest, AnEndTimerWhoseCharacterFailsStillClosesTheWindow) {
  TVocatoForm form(Args{"-d", "Hallo"});
  Peer(form).Start().SetEnabled(false);
  auto* broken = new BrokenCharacter;
  Peer(form).character() = ComPtr<IAgentCharacterEx>(static_cast<IAgentCharacterEx*>(broken));
  Peer(form).character_loaded() = true;
  EXPECT_THROW(form.EndTimerTimer(), std::runtime_error);
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(Peer(form).stop_flag());
  EXPECT_FALSE(g_first_close);
}

TEST_F(VocatoFormTest, ASignalStopsTheCharacterAtOnceAndLeavesTheCloseToTheLoopsCaller) {
  TVocatoForm form(Args{"-d", "Hallo"});
  auto* broken = new BrokenCharacter;
  Peer(form).character() = ComPtr<IAgentCharacterEx>(static_cast<IAgentCharacterEx*>(broken));
  Peer(form).character_loaded() = true;
  Peer(form).EndTimer().SetEnabled(true);
  Peer(form).text_to_read() = "noch nicht gelesen";

  form.EndAtOnce();
  EXPECT_EQ(broken->stop_alls, 1);
  EXPECT_TRUE(Peer(form).stop_flag());
  EXPECT_EQ(Peer(form).run_mode(), rmNone);
  EXPECT_EQ(Peer(form).text_to_read(), "");
  EXPECT_FALSE(Peer(form).Start().Enabled());
  EXPECT_FALSE(Peer(form).EndTimer().Enabled());
  EXPECT_FALSE(form.Closed());
  EXPECT_TRUE(g_first_close);
  // Another signal changes nothing.
  form.EndAtOnce();
  EXPECT_EQ(broken->stop_alls, 1);
}

TEST_F(VocatoFormTest, ASignalInsideAReadingsWaitSilencesItAndClosesNothingThere) {
  DirectMode();
  ScopedEnv system_env("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system");
  const std::string trace = dir_.File("trace.txt");
  ScopedEnv trace_env("PARLOTTO_SPEECH_TRACE", trace.c_str());
  ScopedEnv audio_env("PARLOTTO_AUDIO", "null");

  TVocatoForm form(Args{"-d", "x"});
  Peer(form).Start().SetEnabled(false);
  std::string text;
  for (int i = 0; i < 20; ++i) text += "Dies ist der Satz Nummer " + std::to_string(i) + ".\n";
  Peer(form).text_to_read() = text;
  bool signalled = false;
  bool released_in_the_wait = false;
  Timer signal(300, true);
  signal.SetOnTimer([&] {
    signal.SetEnabled(false);
    signalled = true;
    form.EndAtOnce();
    released_in_the_wait = !Peer(form).DirectSS1() || !g_first_close;
  });
  form.ReadText();
  ASSERT_TRUE(signalled);
  EXPECT_FALSE(released_in_the_wait);
  // The reading returned without closing anything; the close comes once,
  // from the loop's caller.
  EXPECT_FALSE(form.Closed());
  ASSERT_NE(Peer(form).DirectSS1(), nullptr);
  form.Close();
  EXPECT_EQ(Peer(form).DirectSS1(), nullptr);

  const std::vector<std::string> events = TraceEvents(trace);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "audio-stop");
  EXPECT_EQ(std::count(events.begin(), events.end(), "speak"),
            std::count(events.begin(), events.end(), "audio-stop"));
  EXPECT_LT(std::count(events.begin(), events.end(), "speak"), 20);
}

// The common start and end, with the dialogs recorded and answered at once.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest()
      : hive_(dir_.File("user.reg")),
        records_(dir_.File("dialogs.txt")),
        env_(dir_, dir_.File("trace.txt")) {
    // Readings here are about the window's timers: read aloud directly,
    // which needs nothing but the speech runtime of the build tree.
    testing::WriteFile(hive_, testing::kReadAloudWithoutCharacterHive);
  }

  ScratchDir dir_;
  std::string hive_;
  std::string records_;
  testing::ScopedProgramEnvironment env_;
};

TEST_F(MainWindowTest, TheOperandGoesToTheFieldOfItsSwitch) {
  std::string file = dir_.File("brief.txt");
  testing::WriteFile(file, "Hallo");
  using Field = std::string& (testing::VocatoFormPeer::*)();
  const auto operand = [](const Args& args, Field field) {
    TVocatoForm form(args);
    return (Peer(form).*field)();
  };
  using testing::VocatoFormPeer;
  EXPECT_EQ(operand({"-f", file}, &VocatoFormPeer::text_file_name), file);
  EXPECT_EQ(operand({"-doc", file}, &VocatoFormPeer::word_document_name), file);
  EXPECT_EQ(operand({"-pdf", file}, &VocatoFormPeer::pdf_document_name), file);
  EXPECT_EQ(operand({"-html", file}, &VocatoFormPeer::web_address), file);
  EXPECT_EQ(operand({"-wget", "https://www.zentravol.example/"}, &VocatoFormPeer::web_address),
            "https://www.zentravol.example/");
  TVocatoForm text(Args{"-d", "Guten Tag", "ignoriert"});
  EXPECT_EQ(Peer(text).run_mode(), rmCommandLineText);
  EXPECT_EQ(Peer(text).text_to_read(), "Guten Tag");
  EXPECT_EQ(operand({"-f", file, "-d", "x"}, &VocatoFormPeer::text_to_read), "");
  TVocatoForm doc(Args{"-DOC", file});
  EXPECT_EQ(Peer(doc).run_mode(), rmBrowserWindow);
  EXPECT_EQ(ReadFile(records_), "");
}

TEST_F(MainWindowTest, AMissingStartFileShowsItsMessageAndEndsTheStart) {
  struct Case {
    Args args;
    const char* record;
  };
  const Case cases[] = {
      {{"-f", dir_.File("fehlt.txt")}, "Fehler\tLeider wurde die Textdatei nicht gefunden.\n"},
      {{"-f"}, "Fehler\tLeider wurde die Textdatei nicht gefunden.\n"},
      {{"-doc", dir_.path().string()}, "Fehler\tLeider wurde das Dokument nicht gefunden.\n"},
      {{"-pdf", ""}, "Fehler\tLeider wurde das Dokument nicht gefunden.\n"},
      {{"-html", "https://www.zentravol.example/"},
       "Fehler\tLeider wurde die HTML-Datei nicht gefunden.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    testing::WriteFile(records_, "");
    TVocatoForm form(c.args);
    EXPECT_TRUE(form.Terminated());
    EXPECT_EQ(ReadFile(records_), c.record);
  }
  // No check for the other switches, whatever their operand.
  testing::WriteFile(records_, "");
  EXPECT_FALSE(TVocatoForm(Args{"-wget", "kein Netz"}).Terminated());
  EXPECT_FALSE(TVocatoForm(Args{"-d"}).Terminated());
  EXPECT_FALSE(TVocatoForm(Args{"/Automation"}).Terminated());
  EXPECT_EQ(ReadFile(records_), "");
}

TEST_F(MainWindowTest, StartTimerFiresOnceAndArmsTheEndExceptWhenNothingRuns) {
  for (TRunMode mode : {rmClipboard, rmTextFile, rmBrowserWindow, rmCommandLineText, rmWebPage,
                        rmWordDocument, rmPdfDocument}) {
    SCOPED_TRACE(static_cast<int>(mode));
    TVocatoForm form(Args{});
    Peer(form).run_mode() = mode;
    form.StartTimer();
    EXPECT_FALSE(Peer(form).Start().Enabled());
    EXPECT_TRUE(Peer(form).EndTimer().Enabled());
    EXPECT_EQ(Peer(form).EndTimer().Interval(), 2000);
  }
  for (TRunMode mode : {rmNone, rmAutomation}) {
    TVocatoForm form(Args{});
    Peer(form).run_mode() = mode;
    form.StartTimer();
    EXPECT_FALSE(Peer(form).Start().Enabled());
    EXPECT_FALSE(Peer(form).EndTimer().Enabled());
  }
}

TEST_F(MainWindowTest, AQuitBeforeTheEndKeepsItsShortInterval) {
  TVocatoForm form(Args{"-d", "Hallo"});
  Peer(form).EndTimer().SetInterval(100);
  form.StartTimer();
  EXPECT_TRUE(Peer(form).EndTimer().Enabled());
  EXPECT_EQ(Peer(form).EndTimer().Interval(), 100);
}

TEST_F(MainWindowTest, CloseHandlerSetsTheStopFlagEveryTimeAndReleasesOnce) {
  g_first_close = true;
  TVocatoForm form(Args{});
  form.FormClose();
  EXPECT_TRUE(Peer(form).stop_flag());
  EXPECT_FALSE(g_first_close);
  Peer(form).stop_flag() = false;
  form.FormClose();
  EXPECT_TRUE(Peer(form).stop_flag());
  EXPECT_FALSE(g_first_close);
}

TEST_F(MainWindowTest, AnExceptionInATimerHandlerIsLoggedOnceAndTheProgramGoesOn) {
  TVocatoForm form(Args{"/Automation"});
  Peer(form).Start().SetEnabled(false);
  int failures = 0;
  int later_ticks = 0;
  Peer(form).CheckForFullBufferToRead().SetOnTimer([&] {
    Peer(form).CheckForFullBufferToRead().SetEnabled(false);
    ++failures;
    throw std::runtime_error("Zugriffsverletzung bei Adresse 0");
  });
  Peer(form).CheckForFullBufferToRead().SetEnabled(true);
  Timer later(80, true, [&] { ++later_ticks; });

  QElapsedTimer elapsed;
  elapsed.start();
  while (later_ticks == 0 && elapsed.elapsed() < 3000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  EXPECT_EQ(failures, 1);
  EXPECT_GE(later_ticks, 1);
  EXPECT_EQ(ReadFile(dir_.File("vocatodebug.log")), "Zugriffsverletzung bei Adresse 0\n");
}

}  // namespace
}  // namespace parlotto
