// The window in front as the X window manager keeps it (_NET_ACTIVE_WINDOW),
// which is how the program finds the browser window it reads.
#pragma once

#include <cstdint>

struct xcb_connection_t;

namespace parlotto {

class FrontWindow {
 public:
  // Connects to $DISPLAY; without one (or on a pure Wayland desktop) nothing
  // is available and every window is 0.
  FrontWindow();
  ~FrontWindow();
  FrontWindow(const FrontWindow&) = delete;
  FrontWindow& operator=(const FrontWindow&) = delete;

  bool Available() const { return root_ != 0; }
  // 0 when no window is in front or the window manager does not say.
  std::uint32_t Current() const;
  // Asks the window manager to put `window` in front, as a pager or task bar
  // does, which focus-stealing rules let through.
  void Request(std::uint32_t window) const;

 private:
  std::uint32_t Atom(const char* name) const;

  xcb_connection_t* connection_ = nullptr;
  std::uint32_t root_ = 0;
  std::uint32_t active_atom_ = 0;
};

}  // namespace parlotto
