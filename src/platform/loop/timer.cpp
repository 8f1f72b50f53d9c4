#include "platform/loop/timer.h"

#include <QTimer>

#include "platform/loop/clock.h"
#include "platform/loop/exception_guard.h"

namespace parlotto {

Timer::Timer(int interval_ms, bool enabled, std::function<void()> on_timer)
    : interval_ms_(interval_ms),
      enabled_(enabled),
      on_timer_(std::move(on_timer)),
      timer_(std::make_unique<QTimer>()) {
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, [this] {
    if (!on_timer_) return;
    // Copied so that a handler may replace itself or destroy nothing it runs on.
    std::function<void()> handler = on_timer_;
    RunGuarded(handler);
  });
  Update();
}

Timer::~Timer() = default;

void Timer::SetInterval(int ms) {
  if (ms == interval_ms_) return;
  interval_ms_ = ms;
  Update();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void Timer::Update() {
  timer_->stop();
  // An interval of 0 never fires, as with the window system's timers.
  if (enabled_ && interval_ms_ > 0) timer_->start(ScaledMs(interval_ms_));
}

}  // namespace parlotto
