// "--help" and "--version": answered on stdout before anything of the program
// starts, and only when they stand alone.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <regex>
#include <string>
#include <vector>

#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::SpokenTexts;

constexpr int kRunLimitMs = 30000;

struct RunResult {
  bool finished = false;
  int exit_code = -1;
  QProcess::ExitStatus status = QProcess::CrashExit;
  std::string out;
  std::string err;
};

class HelpVersionTest : public ::testing::Test {
 protected:
  HelpVersionTest() {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
    env_ = testing::ProgramEnvironment(dir_, trace_);
  }

  RunResult RunProgram(const QStringList& args) {
    QProcess process;
    process.setProcessEnvironment(env_);
    process.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), args);
    RunResult run;
    if (!process.waitForStarted()) return run;
    run.finished = process.waitForFinished(kRunLimitMs);
    if (!run.finished) {
      process.kill();
      process.waitForFinished();
    }
    run.exit_code = process.exitCode();
    run.status = process.exitStatus();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
  }

  ScratchDir dir_;
  std::string trace_ = dir_.File("trace.txt");
  QProcessEnvironment env_;
};

TEST_F(HelpVersionTest, AloneTheyPrintAndEndWithoutStartingQtOrTheBus) {
  // A Qt platform that does not exist and a bus that cannot be reached:
  // any start-up of windows or servers would fail loudly.
  env_.insert("QT_QPA_PLATFORM", "kein-bildschirm");
  env_.remove("DISPLAY");
  env_.remove("WAYLAND_DISPLAY");
  env_.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");

  const RunResult help = RunProgram({"--help"});
  ASSERT_TRUE(help.finished);
  EXPECT_EQ(help.status, QProcess::NormalExit);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.out.rfind("Aufruf: parlotto", 0), 0U) << help.out;
  EXPECT_NE(help.out.find("\n  -pdf DATEI "), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("Zwischenablage"), std::string::npos) << help.out;

  const RunResult version = RunProgram({"--version"});
  ASSERT_TRUE(version.finished);
  EXPECT_EQ(version.status, QProcess::NormalExit);
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.err, "");
  EXPECT_TRUE(std::regex_match(version.out, std::regex("parlotto [0-9.]+\n"))) << version.out;

  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
  EXPECT_EQ(ReadFile(trace_), "");
}

TEST_F(HelpVersionTest, WithAnyOtherArgumentTheyAreOrdinaryArguments) {
  // An operand: spoken as it is.
  RunResult run = RunProgram({"-d", "--help"});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(SpokenTexts(trace_), std::vector<std::string>{"--help"});

  // Followed by another argument: a first argument that is no switch, so
  // the program looks for a browser window, finds none and ends.
  testing::WriteFile(trace_, "");
  run = RunProgram({"--version", "x"});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(SpokenTexts(trace_), std::vector<std::string>{});
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
}

}  // namespace
}  // namespace parlotto
