// A private hive that reads without the character, the build tree's speech
// runtime, and the speech going to a WAV file with a trace of its events.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto::testing {

class DirectSpeechFixture : public ::testing::Test {
 protected:
  DirectSpeechFixture()
      : hive_(dir_.File("user.reg")),
        trace_(dir_.File("trace.txt")),
        wav_("wav:" + dir_.File("speech.wav")),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system"),
        trace_env_("PARLOTTO_SPEECH_TRACE", trace_.c_str()),
        audio_env_("PARLOTTO_AUDIO", wav_.c_str()),
        temp_env_("TEMP", dir_.path().c_str()) {
    Settings("");
  }

  // The settings key with "noAgent"=1 and `values` (.reg lines) after it.
  void Settings(const std::string& values) {
    WriteFile(hive_, std::string(kReadAloudWithoutCharacterHive) + values);
  }

  ScratchDir dir_;
  std::string hive_;
  std::string trace_;
  std::string wav_;
  ScopedEnv hive_env_;
  ScopedEnv system_env_;
  ScopedEnv trace_env_;
  ScopedEnv audio_env_;
  ScopedEnv temp_env_;
};

}  // namespace parlotto::testing
