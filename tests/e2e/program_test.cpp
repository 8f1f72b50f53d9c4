// The real program, started as a user starts it: each run gets its own user
// hive, temporary directory and dialog record, and a fast clock.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>

#include "support/program_environment.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;

constexpr double kTimeScale = 0.05;
// The longest a run may take here: start timer, end timer and the five
// seconds of the end, scaled, with ample room for a slow sanitizer build.
constexpr int kRunLimitMs = 30000;

struct RunResult {
  int exit_code = -1;
  bool finished = false;
  qint64 elapsed_ms = 0;
  std::string dialogs;
};

class ProgramTest : public ::testing::Test {
 protected:
  QProcess* Launch(const QStringList& args) {
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
    env.insert("PARLOTTO_SHELL", QString::fromStdString("record:" + dir_.File("shell.txt")));
    env.insert("PARLOTTO_TIME_SCALE", QString::number(kTimeScale));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), args);
    EXPECT_TRUE(process_.waitForStarted());
    timer_.start();
    return &process_;
  }

  RunResult Finish() {
    RunResult run;
    run.finished = process_.waitForFinished(kRunLimitMs);
    run.elapsed_ms = timer_.elapsed();
    if (!run.finished) process_.kill();
    run.exit_code = process_.exitCode();
    run.dialogs = ReadFile(dir_.File("dialogs.txt"));
    return run;
  }

  RunResult RunProgram(const QStringList& args) {
    Launch(args);
    return Finish();
  }

  ScratchDir dir_;
  QProcess process_;
  QElapsedTimer timer_;
};

TEST_F(ProgramTest, AMissingStartFileShowsTheGermanErrorAndEnds) {
  struct Case {
    QStringList args;
    const char* message;
  };
  const Case cases[] = {
      {{"-f", "nosuchfile"}, "Leider wurde die Textdatei nicht gefunden."},
      {{"-f", "Mein", "Brief.txt"}, "Leider wurde die Textdatei nicht gefunden."},
      {{"-f"}, "Leider wurde die Textdatei nicht gefunden."},
      {{"-pdf", "fehlt.pdf"}, "Leider wurde das Dokument nicht gefunden."},
      {{"-doc", "fehlt.doc"}, "Leider wurde das Dokument nicht gefunden."},
      {{"-html", "https://www.zentravol.example/"}, "Leider wurde die HTML-Datei nicht gefunden."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    testing::WriteFile(dir_.File("dialogs.txt"), "");
    RunResult run = RunProgram(c.args);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.dialogs, std::string("Fehler\t") + c.message + "\n");
  }
}

TEST_F(ProgramTest, WithNothingToReadItEndsByItselfAfterTheStartAndEndWaits) {
  for (const QStringList& args : {QStringList{}, QStringList{"-e"}, QStringList{"-F", "x"}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    RunResult run = RunProgram(args);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.dialogs, "");
    // 1 s start, 2 s end timer, 5 s of waiting, all scaled.
    EXPECT_GE(run.elapsed_ms, static_cast<qint64>(8000 * kTimeScale));
  }
}

TEST_F(ProgramTest, AnExistingFileIsAcceptedAndTheRunEnds) {
  std::string file = dir_.File("Brief an Oma.txt");
  testing::WriteFile(file, "Liebe Oma, wie geht es dir?");
  RunResult run = RunProgram({"-f", QString::fromStdString(file)});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.dialogs, "");
}

// Its creator may have died before it asked for an object.
TEST_F(ProgramTest, AServerNoClientCameToEndsAfterWaitingForTheFirst) {
  RunResult run = RunProgram({"/Automation"});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_GE(run.elapsed_ms, static_cast<qint64>(20000 * kTimeScale));
}

TEST_F(ProgramTest, QtSwitchesOnTheCommandLineAreTheProgramsOperands) {
  // A file named like one of Qt's own switches: if Qt took "-reverse" out of
  // the command line, "-f" would have no operand and the start would fail.
  testing::WriteFile(dir_.File("-reverse"), "Hallo");
  process_.setWorkingDirectory(QString::fromStdString(dir_.path().string()));
  RunResult run = RunProgram({"-f", "-reverse"});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.dialogs, "");
}

}  // namespace
}  // namespace parlotto
