// A source inside a main window of the test: a private hive that reads
// without the character, the build tree's speech runtime silent and
// traced, and the program's fixed waits scaled down.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parlotto/vocato_form.h"
#include "support/log_lines.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto::testing {

class SourceTest : public ::testing::Test {
 protected:
  explicit SourceTest(const char* time_scale = "0.05")
      : env_(dir_, dir_.File("trace.txt")), scale_env_("PARLOTTO_TIME_SCALE", time_scale) {
    g_first_close = true;
    WriteFile(dir_.File("user.reg"), kReadAloudWithoutCharacterHive);
  }

  std::vector<std::string> Spoken() { return SpokenTexts(dir_.File("trace.txt")); }
  std::string Dialogs() { return ReadFile(dir_.File("dialogs.txt")); }
  // The debug log without the idle hook's entries.
  std::string Log() { return Joined(LogLines(dir_)); }

  ScratchDir dir_;

 private:
  ScopedProgramEnvironment env_;
  ScopedEnv scale_env_;
};

}  // namespace parlotto::testing
