// The shell: opening documents, starting programs, and its recording hook.
#include "platform/gui/shell.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gui/dialogs.h"
#include "platform/places/places.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;

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

}  // namespace
}  // namespace parlotto
