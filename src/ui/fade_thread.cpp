#include "ui/fade_thread.h"

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
  connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TFadeThread::Apply(std::uint8_t alpha) {
  QPointer<TLayeredForm> form = form_;
  QMetaObject::invokeMethod(
      form_.data(),
      [form, alpha] {
        if (form) form->SetAlpha(alpha);
      },
      Qt::QueuedConnection);
}

void TFadeThread::SetAlphaBlend() {
  QPointer<TLayeredForm> form = form_;
  QMetaObject::invokeMethod(
      form_.data(),
      [form] {
        if (form) form->SetLayerType(ltAlphaBlend);
      },
      Qt::QueuedConnection);
}

void TFadeThread::run() {
  if (!form_) return;
  qDebug() << "fade time =" << delay_ms_;
  Apply(0);
  SetAlphaBlend();
  // A step of 0 would never arrive; one level at a time is the slowest fade.
  const int step = step_ == 0 ? 1 : step_;
  if (fade_in_) {
    for (int level = 0; level < 255; level += step) {
      Apply(static_cast<std::uint8_t>(level));
      BusyWait(delay_ms_);
    }
    Apply(255);
  } else {
    for (int level = 255; level > 0; level -= step) {
      Apply(static_cast<std::uint8_t>(level));
      BusyWait(delay_ms_);
    }
    Apply(0);
  }
  QPointer<TLayeredForm> form = form_;
  bool fade_in = fade_in_;
  QMetaObject::invokeMethod(
      form_.data(),
      [form, fade_in] {
        if (form) form->ThreadDone(fade_in);
      },
      Qt::QueuedConnection);
}

}  // namespace parlotto
