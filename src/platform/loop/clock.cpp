#include "platform/loop/clock.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/places/diagnostics.h"

namespace parlotto {
namespace {

double ReadTimeScale() {
  const char* text = std::getenv("PARLOTTO_TIME_SCALE");
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  double scale = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(scale) || scale <= 0) {
    ReportDiagnostic(std::string("PARLOTTO_TIME_SCALE is not a positive number: ") + text);
    return 1.0;
  }
  return scale;
}

}  // namespace

double TimeScale() {
  static const double scale = ReadTimeScale();
  return scale;
}

int ScaledMs(int ms) {
  if (ms <= 0) return 0;
  double scaled = std::round(ms * TimeScale());
  if (scaled < 1) return 1;
  if (scaled > 2147483647.0) return 2147483647;
  return static_cast<int>(scaled);
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ScaledMs(ms))); }

std::int64_t MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace parlotto
