// The mapping of the control's values onto espeak-ng's.
#include "xvoice/xvoice_text/speech_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xvoice/xvoice_text/speech_text.h"

namespace parlotto::xvoice {
namespace {

TEST(SpeechValuesTest, MapOntoEspeakWithinItsRanges) {
  EXPECT_EQ(EspeakPitch(64), 0);
  EXPECT_EQ(EspeakPitch(100), 50);
  EXPECT_EQ(EspeakPitch(170), 100);
  EXPECT_EQ(EspeakPitch(-1000), 0);
  EXPECT_EQ(EspeakPitch(1000), 100);
  for (int hz = kMinPitch; hz < kMaxPitch; ++hz) EXPECT_LE(EspeakPitch(hz), EspeakPitch(hz + 1));
  EXPECT_EQ(EspeakVolume(0), 0);
  EXPECT_EQ(EspeakVolume(32768), 50);
  EXPECT_EQ(EspeakVolume(65535), 100);
  EXPECT_EQ(EspeakVolume(1 << 30), 100);
  EXPECT_EQ(ClampSpeed(std::int64_t{1} << 40), 450);
}

TEST(SpeechValuesTest, BalanceKeepsTheLouderChannelWhole) {
  Balance left_only = BalanceOf(65535, 0);
  EXPECT_EQ(left_only.left, 65536u);
  EXPECT_EQ(left_only.right, 0u);
  Balance half = BalanceOf(20000, 40000);
  EXPECT_EQ(half.left, 32768u);
  EXPECT_EQ(half.right, 65536u);
  const std::int16_t mono[] = {32767, -32768, 1000};
  std::int16_t stereo[6];
  ToStereo(mono, 3, half, stereo);
  EXPECT_EQ(stereo[0], 16383);
  EXPECT_EQ(stereo[1], 32767);
  EXPECT_EQ(stereo[2], -16384);
  EXPECT_EQ(stereo[3], -32768);
  EXPECT_EQ(stereo[4], 500);
  EXPECT_EQ(stereo[5], 1000);
  // Centred: both channels carry every sample unchanged, the extremes too,
  // in whole blocks as in the rest at the end.
  std::vector<std::int16_t> samples(37);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(static_cast<int>(i) * 1777 - 32768);
  samples.back() = 32767;
  std::vector<std::int16_t> both(2 * samples.size());
  ToStereo(samples.data(), samples.size(), BalanceOf(40000, 40000), both.data());
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(both[2 * i], samples[i]) << i;
    EXPECT_EQ(both[2 * i + 1], samples[i]) << i;
  }
}

}  // namespace
}  // namespace parlotto::xvoice
