#include "parlotto/ui/fade_thread.h"

#include <QDebug>
#include <chrono>

namespace parlotto {
namespace {

// Waits by watching the clock, as the fade always has: the steps are short
// and a sleep would be coarser than they are.
void BusyWait(std::int32_t delay_ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms);
  while (std::chrono::steady_clock::now() < end) {
  }
}

}  // namespace

TFadeThread::TFadeThread(TLayeredForm* form, bool fade_in, std::int32_t delay_ms, std::uint8_t step)
    : form_(form), fade_in_(fade_in), delay_ms_(delay_ms), step_(step) {
  // Both run on the main thread: this object lives there.
  connect(form, &QObject::destroyed, this, [this] { requestInterruption(); });
  connect(this, &QThread::finished, this, [this] {
    if (form_) form_->ThreadDone(fade_in_);
    deleteLater();
  });
}

void TFadeThread::Post(std::uint8_t alpha) {
  QMetaObject::invokeMethod(
      this,
      [this, alpha] {
        if (form_) form_->SetAlpha(alpha);
      },
      Qt::QueuedConnection);
}

void TFadeThread::PostAlphaBlend() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (form_) form_->SetLayerType(ltAlphaBlend);
      },
      Qt::QueuedConnection);
}

void TFadeThread::run() {
  qDebug() << "fade time =" << delay_ms_;
  Post(0);
  PostAlphaBlend();
  // A step of 0 would never arrive; one level at a time is the slowest fade.
  const int step = step_ == 0 ? 1 : step_;
  if (fade_in_) {
    for (int level = 0; level < 255 && !isInterruptionRequested(); level += step) {
      Post(static_cast<std::uint8_t>(level));
      BusyWait(delay_ms_);
    }
    Post(255);
  } else {
    for (int level = 255; level > 0 && !isInterruptionRequested(); level -= step) {
      Post(static_cast<std::uint8_t>(level));
      BusyWait(delay_ms_);
    }
    Post(0);
  }
}

}  // namespace parlotto
