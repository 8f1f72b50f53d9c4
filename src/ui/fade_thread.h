// Fades a TLayeredForm's window in or out on its own thread. The window
// itself is only changed on the main thread: each level is handed there.
#pragma once

#include <QPointer>
#include <QThread>
#include <cstdint>

#include "ui/layered_form.h"

namespace parlotto {

class TFadeThread : public QThread {
 public:
  // Frees itself when it has run.
  TFadeThread(TLayeredForm* form, bool fade_in, std::int32_t delay_ms, std::uint8_t step);

 protected:
  void run() override;

 private:
  void Apply(std::uint8_t alpha);
  void SetAlphaBlend();

  QPointer<TLayeredForm> form_;
  bool fade_in_;
  std::int32_t delay_ms_;
  std::uint8_t step_;
};

}  // namespace parlotto
