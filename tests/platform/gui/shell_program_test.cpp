// Starting a program with an argument list: every argument arrives as it
// was given, blanks and quotes included; recorded, the call is written down
// instead.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <filesystem>
#include <string>

#include "platform/gui/shell.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

TEST(ShellStartProgramTest, PassesEachArgumentWhole) {
  ScratchDir dir;
  ScopedEnv no_record("PARLOTTO_SHELL", nullptr);
  const std::string out = dir.File("mit Leerzeichen.txt");
  // The script writes its two arguments, one per line, into the file named
  // by the third.
  const std::string script = "printf '%s\\n%s\\n' \"$0\" \"$1\" > \"$2\"";
  EXPECT_GT(ShellStartProgram(0, "/bin/sh", {"-c", script, "-f /a b/temp.txt", "\"x\" y", out}),
            32);
  QElapsedTimer elapsed;
  elapsed.start();
  while (ReadFile(out).empty() && elapsed.elapsed() < 10000) QThread::msleep(10);
  EXPECT_EQ(ReadFile(out), "-f /a b/temp.txt\n\"x\" y\n");
}

TEST(ShellStartProgramTest, RecordsTheCallWithItsArgumentsJoined) {
  ScratchDir dir;
  ScopedEnv record("PARLOTTO_SHELL", ("record:" + dir.File("shell.txt")).c_str());
  EXPECT_GT(
      ShellStartProgram(0, "/opt/Mein Parlotto/parlotto", {"-f", "/opt/Mein Parlotto/temp.txt"}),
      32);
  EXPECT_EQ(ReadFile(dir.File("shell.txt")),
            "open\t/opt/Mein Parlotto/parlotto\t-f /opt/Mein Parlotto/temp.txt\n");
}

TEST(ShellStartProgramTest, AProgramThatCannotStartFails) {
  ScratchDir dir;
  ScopedEnv no_record("PARLOTTO_SHELL", nullptr);
  EXPECT_LE(ShellStartProgram(0, dir.File("fehlt"), {"-f", "x"}), 32);
}

}  // namespace
}  // namespace parlotto
