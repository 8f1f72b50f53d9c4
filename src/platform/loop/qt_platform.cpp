#include "platform/loop/qt_platform.h"

#include <cstdlib>

namespace parlotto {

void ChooseQtPlatform() {
  // Only an X display helps: on a Wayland session without XWayland, trying
  // xcb would fail the same way, with a screenful of noise first.
  const bool has_x_display = std::getenv("DISPLAY") != nullptr;
  setenv("QT_QPA_PLATFORM", has_x_display ? "xcb;offscreen" : "offscreen", 0);
}

}  // namespace parlotto
