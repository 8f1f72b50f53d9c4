// What espeak-ng makes of a text: the pause at its end.
#include <algorithm>
#include <cstdlib>

#include "xvoice_fixture.h"

namespace parlotto::testing {
namespace {

using SynthesizerSpeechTest = XVoiceTest;

constexpr std::int64_t kRate = 22050;

int Peak(const std::vector<std::int16_t>& samples, std::size_t count) {
  int peak = 0;
  for (std::size_t i = 0; i < std::min(count, samples.size()); ++i) {
    peak = std::max(peak, std::abs(int{samples[i]}));
  }
  return peak;
}

// A reading is cut into texts at sentence ends; each text must end with
// the pause espeak-ng makes there, or the sentences run into each other.
TEST_F(SynthesizerSpeechTest, EachTextEndsWithTheSentencePauseSoTextsInARowDoNotRunTogether) {
  std::int64_t first = SpeakAndMeasure(QStringLiteral("Der Morgen begann mit leichtem Regen."));
  SpeakAndMeasure(QStringLiteral("Die Menschen eilten zur Arbeit."));
  std::int64_t first_frames = first / 4;
  // espeak-ng's pause at a sentence end is about 300 ms; the last quarter
  // second of the first text is silence on both channels.
  std::int64_t pause_frames = kRate / 4;
  ASSERT_GT(first_frames, pause_frames);
  for (int channel : {0, 1}) {
    std::vector<std::int16_t> tail = ChannelSamples(wav_, channel, first_frames - pause_frames);
    EXPECT_LE(Peak(tail, static_cast<std::size_t>(pause_frames)), 300) << "channel " << channel;
    // The second text is heard after it.
    EXPECT_GT(Peak(tail, tail.size()), 3000) << "channel " << channel;
  }
}

// The start's pitch and volume are set before each text, so a tag in one
// text does not carry over into the next.
TEST_F(SynthesizerSpeechTest, EachTextStartsFromTheControlsVolumeWhateverTheLastTextSet) {
  SpeakAndMeasure(QStringLiteral("Laut und dann \\Vol=0\\ leise."));
  std::int64_t at = ReadWav(wav_).frames();
  SpeakAndMeasure(QStringLiteral("Wieder laut."));
  std::vector<std::int16_t> second = ChannelSamples(wav_, 1, at);
  EXPECT_GT(Peak(second, second.size()), 3000);
}

// A text begins as espeak-ng begins any text: the start's settings add no
// silence before the first word.
TEST_F(SynthesizerSpeechTest, TheStartSettingsAddNoSilenceBeforeTheFirstWord) {
  PutLong(QStringLiteral("Pitch"), 200);
  std::int64_t first = SpeakAndMeasure(QStringLiteral("Der Morgen begann."));
  ASSERT_GT(first, 0);
  std::vector<std::int16_t> samples = ChannelSamples(wav_, 1);
  std::size_t lead = 0;
  while (lead < samples.size() && samples[lead] == 0) ++lead;
  // espeak-ng's own lead before this text is 13 ms; each command before it
  // added 7 ms.
  EXPECT_LT(static_cast<std::int64_t>(lead), kRate * 17 / 1000);
}

}  // namespace
}  // namespace parlotto::testing
