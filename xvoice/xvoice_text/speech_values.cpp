#include "xvoice/xvoice_text/speech_values.h"

#include <algorithm>
#include <iterator>

namespace parlotto::xvoice {
namespace {

// Median base pitch of the German voice measured at espeak-ng pitch values;
// espeak-ng's scale is not linear in Hz.
struct PitchPoint {
  int hz;
  int espeak;
};
constexpr PitchPoint kPitchPoints[] = {{64, 0},   {71, 10},  {80, 25},  {92, 40},  {100, 50},
                                       {112, 60}, {130, 75}, {153, 90}, {170, 100}};

int Clamp(std::int64_t value, int low, int high) {
  return static_cast<int>(std::clamp<std::int64_t>(value, low, high));
}

}  // namespace

int ClampSpeed(std::int64_t words_per_minute) {
  return Clamp(words_per_minute, kMinSpeed, kMaxSpeed);
}

int ClampPitch(std::int64_t hz) { return Clamp(hz, kMinPitch, kMaxPitch); }

int ClampVolume(std::int64_t level) { return Clamp(level, 0, kMaxVolume); }

int EspeakPitch(int hz) {
  hz = ClampPitch(hz);
  for (std::size_t i = 1; i < std::size(kPitchPoints); ++i) {
    const PitchPoint& low = kPitchPoints[i - 1];
    const PitchPoint& high = kPitchPoints[i];
    if (hz > high.hz) continue;
    int span = high.hz - low.hz;
    return low.espeak + ((hz - low.hz) * (high.espeak - low.espeak) + span / 2) / span;
  }
  return 100;
}

int EspeakVolume(int level) { return (ClampVolume(level) * 100 + kMaxVolume / 2) / kMaxVolume; }

Balance BalanceOf(int volume_left, int volume_right) {
  std::uint32_t left = static_cast<std::uint32_t>(ClampVolume(volume_left));
  std::uint32_t right = static_cast<std::uint32_t>(ClampVolume(volume_right));
  std::uint32_t louder = std::max(left, right);
  if (louder == 0) return Balance{};  // silent anyway: espeak-ng's volume is 0
  return Balance{left * 65536u / louder, right * 65536u / louder};
}

namespace {

// Blocks of a fixed size, so that the compiler vectorises the copy at -O2.
void DuplicateToStereo(const std::int16_t* __restrict mono, std::size_t count,
                       std::int16_t* __restrict stereo) {
  constexpr std::size_t kBlock = 16;
  std::size_t i = 0;
  for (; i + kBlock <= count; i += kBlock) {
    for (std::size_t k = i; k < i + kBlock; ++k) {
      stereo[2 * k] = mono[k];
      stereo[2 * k + 1] = mono[k];
    }
  }
  for (; i < count; ++i) {
    stereo[2 * i] = mono[i];
    stereo[2 * i + 1] = mono[i];
  }
}

}  // namespace

void ToStereo(const std::int16_t* mono, std::size_t count, const Balance& balance,
              std::int16_t* stereo) {
  // The usual case, both channels at full gain: a plain copy instead of
  // two products per sample.
  if (balance.left == 65536 && balance.right == 65536) {
    DuplicateToStereo(mono, count, stereo);
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::int32_t sample = mono[i];
    // Gains are at most 1.0, so the products stay in range.
    stereo[2 * i] =
        static_cast<std::int16_t>(sample * static_cast<std::int32_t>(balance.left) / 65536);
    stereo[2 * i + 1] =
        static_cast<std::int16_t>(sample * static_cast<std::int32_t>(balance.right) / 65536);
  }
}

}  // namespace parlotto::xvoice
