#include "platform/loop/qt_platform.h"

#include <cstdlib>

namespace parlotto {

void ChooseQtPlatform() {
  const bool has_display =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  setenv("QT_QPA_PLATFORM", has_display ? "xcb;offscreen" : "offscreen", 0);
}

}  // namespace parlotto
