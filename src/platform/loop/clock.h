// The one clock behind every fixed wait: timers, plain sleeps and polling
// loops. PARLOTTO_TIME_SCALE (a positive factor, tests only) scales all of
// them, so that a run which waits seconds by design can be tested in
// milliseconds.
#pragma once

#include <cstdint>

namespace parlotto {

// The factor from PARLOTTO_TIME_SCALE, read once; 1 when unset or invalid.
double TimeScale();

// `ms` scaled; a positive wait stays at least 1 ms so that order is kept.
int ScaledMs(int ms);

// Blocks the calling thread for `ms` (scaled) and processes nothing.
void Sleep(int ms);

// Milliseconds of a monotonic clock, unscaled.
std::int64_t MonotonicMs();

}  // namespace parlotto
