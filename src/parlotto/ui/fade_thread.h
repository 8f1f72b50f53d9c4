// Fades a TLayeredForm's window in or out on its own thread. The worker only
// counts levels: each one is posted to this object, which lives on the main
// thread and outlives the worker, and is applied there if the form still is.
#pragma once

#include <QPointer>
#include <QThread>
#include <cstdint>

#include "parlotto/ui/layered_form.h"

namespace parlotto {

class TFadeThread : public QThread {
 public:
  // Create on the main thread. Frees itself on the main thread when it has
  // run; a fade whose form is gone stops at its next level.
  TFadeThread(TLayeredForm* form, bool fade_in, std::int32_t delay_ms, std::uint8_t step);

 protected:
  void run() override;

 private:
  // Called on the worker; the change reaches the form on the main thread.
  void Post(std::uint8_t alpha);
  void PostAlphaBlend();

  // Read and written on the main thread only.
  QPointer<TLayeredForm> form_;
  // Fixed before the worker starts.
  const bool fade_in_;
  const std::int32_t delay_ms_;
  const std::uint8_t step_;
};

}  // namespace parlotto
