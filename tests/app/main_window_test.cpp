// The main window's start and end: what the command line leaves behind, the
// start timer's dispatch, the close handler and the exception hook.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/vocato_form.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using Args = std::vector<std::string>;

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest()
      : hive_(dir_.File("user.reg")),
        records_(dir_.File("dialogs.txt")),
        record_hook_("record:" + records_),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        dialogs_env_("PARLOTTO_DIALOGS", record_hook_.c_str()),
        temp_env_("TEMP", dir_.path().c_str()) {}

  ScratchDir dir_;
  std::string hive_;
  std::string records_;
  std::string record_hook_;
  ScopedEnv hive_env_;
  ScopedEnv dialogs_env_;
  ScopedEnv temp_env_;
};

TEST_F(MainWindowTest, FreshWindowHasTheInitialStateAndComponents) {
  TVocatoForm form(Args{});
  EXPECT_EQ(form.run_mode, rmBrowserWindow);
  EXPECT_TRUE(form.text_to_read.empty());
  EXPECT_FALSE(form.stop_flag);
  EXPECT_FALSE(form.speech_finished);
  EXPECT_FALSE(form.Terminated());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.sink_id, -1);
  EXPECT_TRUE(form.Start.Enabled());
  EXPECT_EQ(form.Start.Interval(), 1000);
  EXPECT_FALSE(form.EndTimer.Enabled());
  EXPECT_EQ(form.EndTimer.Interval(), 2000);
  EXPECT_FALSE(form.CheckForFullBufferToRead.Enabled());
  EXPECT_EQ(form.CheckForFullBufferToRead.Interval(), 50);
}

TEST_F(MainWindowTest, TheOperandGoesToTheFieldOfItsSwitch) {
  std::string file = dir_.File("brief.txt");
  testing::WriteFile(file, "Hallo");
  EXPECT_EQ(TVocatoForm(Args{"-f", file}).text_file_name, file);
  EXPECT_EQ(TVocatoForm(Args{"-doc", file}).word_document_name, file);
  EXPECT_EQ(TVocatoForm(Args{"-pdf", file}).pdf_document_name, file);
  EXPECT_EQ(TVocatoForm(Args{"-html", file}).web_address, file);
  EXPECT_EQ(TVocatoForm(Args{"-wget", "https://www.zentravol.example/"}).web_address,
            "https://www.zentravol.example/");
  TVocatoForm text(Args{"-d", "Guten Tag", "ignoriert"});
  EXPECT_EQ(text.run_mode, rmCommandLineText);
  EXPECT_EQ(text.text_to_read, "Guten Tag");
  EXPECT_EQ(TVocatoForm(Args{"-f", file, "-d", "x"}).text_to_read, "");
  EXPECT_EQ(TVocatoForm(Args{"-DOC", file}).run_mode, rmBrowserWindow);
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
    form.run_mode = mode;
    form.StartTimer();
    EXPECT_FALSE(form.Start.Enabled());
    EXPECT_TRUE(form.EndTimer.Enabled());
    EXPECT_EQ(form.EndTimer.Interval(), 2000);
  }
  for (TRunMode mode : {rmNone, rmAutomation}) {
    TVocatoForm form(Args{});
    form.run_mode = mode;
    form.StartTimer();
    EXPECT_FALSE(form.Start.Enabled());
    EXPECT_FALSE(form.EndTimer.Enabled());
  }
}

TEST_F(MainWindowTest, AQuitBeforeTheEndKeepsItsShortInterval) {
  TVocatoForm form(Args{"-d", "Hallo"});
  form.EndTimer.SetInterval(100);
  form.StartTimer();
  EXPECT_TRUE(form.EndTimer.Enabled());
  EXPECT_EQ(form.EndTimer.Interval(), 100);
}

TEST_F(MainWindowTest, CloseHandlerSetsTheStopFlagEveryTimeAndReleasesOnce) {
  g_first_close = true;
  TVocatoForm form(Args{});
  form.FormClose();
  EXPECT_TRUE(form.stop_flag);
  EXPECT_FALSE(g_first_close);
  form.stop_flag = false;
  form.FormClose();
  EXPECT_TRUE(form.stop_flag);
  EXPECT_FALSE(g_first_close);
}

TEST_F(MainWindowTest, AnExceptionInATimerHandlerIsLoggedOnceAndTheProgramGoesOn) {
  TVocatoForm form(Args{"/Automation"});
  form.Start.SetEnabled(false);
  int failures = 0;
  int later_ticks = 0;
  form.CheckForFullBufferToRead.SetOnTimer([&] {
    form.CheckForFullBufferToRead.SetEnabled(false);
    ++failures;
    throw std::runtime_error("Zugriffsverletzung bei Adresse 0");
  });
  form.CheckForFullBufferToRead.SetEnabled(true);
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
