// The launcher program: it starts the program beside it with the switch
// that reads the file, prints its usage, and says why it starts nothing.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <string>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

constexpr const char* kPdf =
    "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << >>\n%%EOF\n";
// A PNG's signature and the start of its header chunk.
constexpr char kPng[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";

// The launcher binary with a stand-in program beside it that writes down
// the arguments it was started with, one a line.
class LauncherTest : public ::testing::Test {
 protected:
  LauncherTest() {
    std::filesystem::copy_file(PARLOTTO_BUILD_DIR "/parlotto-open", dir_.File("parlotto-open"));
    WriteFile(dir_.File("parlotto"),
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args.tmp\"\n"
              "mv \"$0.args.tmp\" \"$0.args\"\n");
    std::filesystem::permissions(dir_.File("parlotto"), std::filesystem::perms::owner_all);
  }

  int Launch(const QString& target) {
    QProcess launcher;
    launcher.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    launcher.start(QString::fromStdString(dir_.File("parlotto-open")), {target});
    if (!launcher.waitForFinished(30000)) return -1;
    problem_ = launcher.readAllStandardError().toStdString();
    return launcher.exitCode();
  }

  // What the stand-in was started with; "" when it was not started.
  std::string StartedWith() {
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(args_) && waited.elapsed() < 10000) QThread::msleep(20);
    return ReadFile(args_.toStdString());
  }

  QString Make(const std::string& name, const std::string& contents) {
    WriteFile(dir_.File(name), contents);
    return QString::fromStdString(dir_.File(name));
  }

  ScratchDir dir_;
  QString args_ = QString::fromStdString(dir_.File("parlotto.args"));
  std::string problem_;
};

TEST_F(LauncherTest, StartsTheProgramBesideItWithTheSwitchAndTheNameAsOneArgument) {
  const QString file = Make("Brief \"an\" Oma; $(rm -rf x) `id`.pdf", kPdf);
  ASSERT_EQ(Launch(file), 0);
  EXPECT_EQ(StartedWith(), "-pdf\n" + file.toStdString() + "\n");
}

TEST_F(LauncherTest, HelpPrintsTheUsageAndStartsNothing) {
  QProcess launcher;
  launcher.start(QString::fromStdString(dir_.File("parlotto-open")), {"--help"});
  ASSERT_TRUE(launcher.waitForFinished(30000));
  EXPECT_EQ(launcher.exitCode(), 0);
  const QString usage = QString::fromUtf8(launcher.readAllStandardOutput());
  EXPECT_TRUE(usage.startsWith("Aufruf: parlotto-open [DATEI|ADRESSE]")) << usage.toStdString();
  EXPECT_FALSE(QFile::exists(args_));
}

TEST_F(LauncherTest, WithoutATargetAndWithoutADisplayItSaysWhyInsteadOfWaiting) {
  // The chooser would wait for ever for a user who cannot see it.
  QProcess launcher;
  launcher.start(QString::fromStdString(dir_.File("parlotto-open")), {});
  ASSERT_TRUE(launcher.waitForFinished(30000));
  EXPECT_EQ(launcher.exitCode(), 1);
  EXPECT_NE(launcher.readAllStandardError().indexOf("--help"), -1);
  EXPECT_FALSE(QFile::exists(args_));
}

TEST_F(LauncherTest, RefusesWhatTheProgramCannotReadWithoutStartingIt) {
  // Without a terminal (a pipe here) the reason goes to a message box too.
  const std::string boxes = dir_.File("boxes");
  const ScopedEnv record("PARLOTTO_DIALOGS", ("record:" + boxes).c_str());
  EXPECT_EQ(Launch(Make("Bild.png", std::string(kPng, sizeof kPng - 1))), 1);
  EXPECT_NE(problem_.find("image/png"), std::string::npos) << problem_;
  EXPECT_NE(ReadFile(boxes).find("Fehler\t"), std::string::npos);
  QProcess two_targets;
  two_targets.start(QString::fromStdString(dir_.File("parlotto-open")), {"a.txt", "b.txt"});
  ASSERT_TRUE(two_targets.waitForFinished(30000));
  EXPECT_EQ(two_targets.exitCode(), 2);
  // Bounded: had it been started, the stand-in would have written by now.
  QThread::msleep(300);
  EXPECT_FALSE(QFile::exists(args_));
}

}  // namespace
}  // namespace parlotto
