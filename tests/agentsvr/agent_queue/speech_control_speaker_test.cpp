// The server's speaker on the build tree's speech runtime, loaded in this
// process as the server loads it.
#include "agentsvr/agent_queue/speech_control_speaker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/com_runtime/apartment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/spin_loop.h"

namespace parlotto::agent {
namespace {

using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;

bool SpinUntil(const std::function<bool()>& done, int limit_ms = 10000) {
  return parlotto::testing::SpinUntil(done, limit_ms);
}

class SpeechControlSpeakerTest : public ::testing::Test {
 protected:
  SpeechControlSpeakerTest()
      : trace_(dir_.File("trace.txt")),
        hive_env_("PARLOTTO_USER_HIVE", dir_.File("user.reg").c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system"),
        trace_env_("PARLOTTO_SPEECH_TRACE", trace_.c_str()),
        audio_env_("PARLOTTO_AUDIO", "null") {
    CoInitialize(nullptr);
    speaker_ = std::make_unique<SpeechControlSpeaker>();
    speaker_->on_end = [this] { ++ends_; };
  }
  ~SpeechControlSpeakerTest() override {
    speaker_.reset();
    CoUninitialize();
  }

  int AudioStops() const {
    int stops = 0;
    for (const std::string& event : parlotto::testing::TraceEvents(trace_))
      stops += event == "audio-stop" ? 1 : 0;
    return stops;
  }

  ScratchDir dir_;
  std::string trace_;
  ScopedEnv hive_env_;
  ScopedEnv system_env_;
  ScopedEnv trace_env_;
  ScopedEnv audio_env_;
  std::unique_ptr<SpeechControlSpeaker> speaker_;
  int ends_ = 0;
};

const QString kLongText = QStringLiteral(
    "Dieser Satz ist lang genug, dass er noch klingt, wenn die Stille kommt, und noch viel "
    "länger, als ein Test warten mag.");

TEST_F(SpeechControlSpeakerTest, EndsEachTextOnceAfterItsAudio) {
  ASSERT_TRUE(speaker_->Usable());
  ASSERT_TRUE(speaker_->Speak(QStringLiteral("\\Spd=450\\ Ja")));
  EXPECT_EQ(ends_, 0);  // never from inside Speak
  ASSERT_TRUE(SpinUntil([this] { return ends_ == 1; }));
  ASSERT_TRUE(speaker_->Speak(QStringLiteral("\\Spd=450\\ Nein")));
  ASSERT_TRUE(SpinUntil([this] { return ends_ == 2; }));
  EXPECT_EQ(AudioStops(), 2);
}

TEST_F(SpeechControlSpeakerTest, SilenceEndsALongTextAtOnce) {
  ASSERT_TRUE(speaker_->Speak(kLongText));
  SpinUntil([] { return false; }, 200);
  speaker_->Silence();
  // Well before the text's own end, many seconds away.
  EXPECT_TRUE(SpinUntil([this] { return ends_ == 1; }, 3000));
}

TEST_F(SpeechControlSpeakerTest, LetsTheEndOfASilencedTextNotEndTheTextAfterIt) {
  ASSERT_TRUE(speaker_->Speak(kLongText));
  speaker_->Silence();
  ASSERT_TRUE(speaker_->Speak(QStringLiteral("Und jetzt der nächste Satz.")));
  // The silenced text's event comes first; only the second text's ends it.
  ASSERT_TRUE(SpinUntil([this] { return AudioStops() >= 1; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(ends_, 0);
  ASSERT_TRUE(SpinUntil([this] { return ends_ == 1; }));
  EXPECT_EQ(AudioStops(), 2);
}

TEST_F(SpeechControlSpeakerTest, PassesOnTheWordsAndMouthShapesAsTheySound) {
  std::vector<std::pair<int, int>> words;
  std::vector<MouthShape> mouths;
  speaker_->on_word = [&](int start, int length) { words.emplace_back(start, length); };
  speaker_->on_mouth = [&](MouthShape shape) { mouths.push_back(shape); };
  const QString text = QStringLiteral("\\Spd=300\\ Guten Tag");
  ASSERT_TRUE(speaker_->Speak(text));
  ASSERT_TRUE(SpinUntil([this] { return ends_ == 1; }));
  // Positions count in the text as given, tags included.
  const auto tag = std::make_pair(static_cast<int>(text.indexOf(QStringLiteral("Tag"))), 3);
  const auto guten = std::make_pair(static_cast<int>(text.indexOf(QStringLiteral("Guten"))), 5);
  EXPECT_NE(std::find(words.begin(), words.end(), guten), words.end());
  EXPECT_NE(std::find(words.begin(), words.end(), tag), words.end());
  EXPECT_NE(std::find(mouths.begin(), mouths.end(), kMouthOpen), mouths.end());
}

TEST_F(SpeechControlSpeakerTest, FindsVoicesByNameOrIdentifierAndModesById) {
  EXPECT_TRUE(speaker_->SelectVoice(QStringLiteral("de")));
  EXPECT_TRUE(speaker_->SelectVoice(QStringLiteral("en")));
  EXPECT_TRUE(speaker_->SelectVoice(QStringLiteral("EN")));
  EXPECT_TRUE(speaker_->SelectVoice(QStringLiteral("gmw/de")));
  EXPECT_FALSE(speaker_->SelectVoice(QStringLiteral("klingonisch")));
  EXPECT_EQ(speaker_->SelectMode(QStringLiteral("{D6B70618-29F4-5C3B-811E-7E1B72E131E3}")), S_OK);
  EXPECT_EQ(speaker_->SelectMode(QStringLiteral("{D6B70618-29F4-5C3B-811E-7E1B72E131E4}")),
            E_INVALIDARG);
  EXPECT_EQ(speaker_->SelectMode(QString()), E_INVALIDARG);
}

}  // namespace
}  // namespace parlotto::agent
