// The desktop's top-level windows as the window manager lists them, read
// from the X server's root window properties (EWMH).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace parlotto::x11 {

struct ClientWindow {
  std::uint32_t id = 0;
  std::int64_t pid = 0;  // _NET_WM_PID, 0 when the window names none
  std::string title;     // _NET_WM_NAME (UTF-8), else WM_NAME
};

// The windows of _NET_CLIENT_LIST; empty without a display or a window
// manager that keeps the list.
std::vector<ClientWindow> ClientWindows();

// _NET_ACTIVE_WINDOW; 0 when no window is active, without a display or
// without a window manager that says which one is.
std::uint32_t ActiveWindow();

}  // namespace parlotto::x11
