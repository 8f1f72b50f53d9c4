// The values the control takes as a speech control does (words per minute,
// Hz, 0..65535 per channel) and how they map onto espeak-ng's parameters.
#pragma once

#include <cstddef>
#include <cstdint>

namespace parlotto::xvoice {

// espeak-ng speaks 80 to 450 words per minute.
inline constexpr int kMinSpeed = 80;
inline constexpr int kMaxSpeed = 450;
inline constexpr int kDefaultSpeed = 175;
// The base pitch espeak-ng's pitch 0 and 100 give the German voice.
inline constexpr int kMinPitch = 64;
inline constexpr int kMaxPitch = 170;
inline constexpr int kDefaultPitch = 100;
inline constexpr int kMaxVolume = 65535;

int ClampSpeed(std::int64_t words_per_minute);
int ClampPitch(std::int64_t hz);
int ClampVolume(std::int64_t level);

// espeak-ng's pitch (0..100, 50 normal) for a base pitch in Hz.
int EspeakPitch(int hz);
// espeak-ng's volume for a level: full level is its normal volume 100;
// above that it compresses and distorts.
int EspeakVolume(int level);

// Gains of the two channels in 1/65536: the louder channel keeps the
// overall level (espeak-ng's volume), the other is scaled by the ratio.
struct Balance {
  std::uint32_t left = 65536;
  std::uint32_t right = 65536;
};
Balance BalanceOf(int volume_left, int volume_right);

// Mono samples to interleaved stereo with the balance applied.
void ToStereo(const std::int16_t* mono, std::size_t count, const Balance& balance,
              std::int16_t* stereo);

}  // namespace parlotto::xvoice
