// A source inside a main window of the test: a private hive that reads
// without the character, the build tree's speech runtime silent and
// traced, and the program's fixed waits scaled down.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parlotto/vocato_form.h"
#include "support/log_lines.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto::testing {

class SourceTest : public ::testing::Test {
 protected:
  explicit SourceTest(const char* time_scale = "0.05")
      : hive_env_("PARLOTTO_USER_HIVE", dir_.File("user.reg").c_str()),
        temp_env_("TEMP", dir_.path().c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system"),
        trace_env_("PARLOTTO_SPEECH_TRACE", dir_.File("trace.txt").c_str()),
        audio_env_("PARLOTTO_AUDIO", "null"),
        scale_env_("PARLOTTO_TIME_SCALE", time_scale),
        dialogs_env_("PARLOTTO_DIALOGS", ("record:" + dir_.File("dialogs.txt")).c_str()) {
    g_first_close = true;
    WriteFile(dir_.File("user.reg"), kReadAloudWithoutCharacterHive);
  }

  std::vector<std::string> Spoken() { return SpokenTexts(dir_.File("trace.txt")); }
  std::string Dialogs() { return ReadFile(dir_.File("dialogs.txt")); }
  // The debug log without the idle hook's entries.
  std::string Log() { return Joined(LogLines(dir_)); }

  ScratchDir dir_;

 private:
  ScopedEnv hive_env_;
  ScopedEnv temp_env_;
  ScopedEnv system_env_;
  ScopedEnv trace_env_;
  ScopedEnv audio_env_;
  ScopedEnv scale_env_;
  ScopedEnv dialogs_env_;
};

}  // namespace parlotto::testing
