// The recording hooks of the dialogs and the shell, and the places the
// program looks for its files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/dialogs.h"
#include "platform/places.h"
#include "platform/shell.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;

TEST(DialogRecord, EachKindRecordsItsCaptionAndEscapedText) {
  ScratchDir dir;
  std::string record = "record:" + dir.File("dialogs.txt");
  ScopedEnv env("PARLOTTO_DIALOGS", record.c_str());
  SetApplicationTitle("Parlotto");
  ShowErrorDialog("Leider wurde die Textdatei nicht gefunden.");
  ShowMessage("Zeile eins\nZeile\tzwei \\ Ende");
  ShowExceptionDialog("kaputt");
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")),
            "Fehler\tLeider wurde die Textdatei nicht gefunden.\n"
            "Parlotto\tZeile eins\\nZeile\\tzwei \\\\ Ende\n"
            "Parlotto\tkaputt\n");
}

TEST(ShellRecord, CallsAreRecordedNotMade) {
  ScratchDir dir;
  std::string record = "record:" + dir.File("shell.txt");
  ScopedEnv env("PARLOTTO_SHELL", record.c_str());
  EXPECT_GT(ShellExecute(0, "open", "/opt/parlotto/hilfe.html", "", "", SW_SHOW), 32);
  EXPECT_GT(ShellExecute(0, "open", "/opt/parlotto/VSettings", "--tab \"Stimme 2\"", "", SW_SHOW),
            32);
  EXPECT_EQ(ReadFile(dir.File("shell.txt")),
            "open\t/opt/parlotto/hilfe.html\t\n"
            "open\t/opt/parlotto/VSettings\t--tab \"Stimme 2\"\n");
}

TEST(Shell, AMissingDocumentFailsWithoutOpeningAnything) {
  ScopedEnv env("PARLOTTO_SHELL", nullptr);
  EXPECT_LE(ShellExecute(0, "open", "/nonexistent/parlotto/hilfe.html", "", "", SW_SHOW), 32);
}

TEST(Shell, AProgramGetsItsParametersAsArgumentsWithoutAShell) {
  ScopedEnv env("PARLOTTO_SHELL", nullptr);
  ScratchDir dir;
  std::string script = dir.File("echo-args");
  testing::WriteFile(script,
                     "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > \"$0.out\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  ASSERT_GT(ShellExecute(0, "open", script, "eins \"zwei drei\" ;rm", "", SW_SHOW), 32);
  std::string out;
  for (int i = 0; i < 200 && out.empty(); ++i) {
    usleep(10000);
    out = ReadFile(script + ".out");
  }
  EXPECT_EQ(out, "eins|zwei drei|;rm|");
}

TEST(Places, TempDirFallsBackInOrderAndKeepsANonexistentTemp) {
  {
    ScopedEnv temp("TEMP", "/nonexistent/dir");
    EXPECT_EQ(TempDir(), "/nonexistent/dir/");
  }
  {
    ScopedEnv temp("TEMP", nullptr);
    ScopedEnv tmpdir("TMPDIR", "/var/tmp");
    EXPECT_EQ(TempDir(), "/var/tmp/");
  }
  {
    ScopedEnv temp("TEMP", "");
    ScopedEnv tmpdir("TMPDIR", nullptr);
    EXPECT_EQ(TempDir(), "/tmp/");
  }
}

TEST(Places, SystemDirPrefersTheEnvironmentThenTheBuildTree) {
  {
    ScopedEnv system("PARLOTTO_SYSTEM_DIR", "/srv/parlotto-system");
    EXPECT_EQ(SystemDir(), "/srv/parlotto-system/");
  }
  ScopedEnv system("PARLOTTO_SYSTEM_DIR", nullptr);
  std::string program_dir = ProgramDir();
  ASSERT_FALSE(program_dir.empty());
  EXPECT_EQ(program_dir.back(), '/');
  if (std::filesystem::is_directory(program_dir + "system")) {
    EXPECT_EQ(SystemDir(), program_dir + "system/");
  } else {
    EXPECT_NE(SystemDir(), program_dir + "system/");
  }
}

}  // namespace
}  // namespace parlotto
