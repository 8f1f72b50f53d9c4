// The desktop's open browser windows, as the shell's window list offers them
// to an automation client: Count, and Item(i) for a window object whose
// "HWND" is its top-level X11 window, or a number for its accessibility
// object where it has none (a native Wayland window), and whose "Document" is the page it
// shows ("frames" with "length", "body" with "outerText").
//
// The objects are in-process IDispatch objects that know their members by
// name (no type library): a late-bound caller (GetProperty) is all they
// serve. Without an accessibility bus, a display or a browser the list is
// empty, and nothing is logged.
#pragma once

#include <vector>

#include "platform/com/idispatch.h"
#include "platform/loop/window_messages.h"
#include "platform/shell_windows/atspi_browser_windows.h"

namespace parlotto {

class TCppShellWindows {
 public:
  TCppShellWindows() = default;
  TCppShellWindows(const TCppShellWindows&) = delete;
  TCppShellWindows& operator=(const TCppShellWindows&) = delete;

  // Takes the list of browser windows as it is now; the list stays as taken
  // until the next Connect, a window closed since then answers with failures.
  void Connect();
  void Disconnect();

  HRESULT get_Count(long* count);
  // `index` a number from 0; the window object, which holds no reference to
  // this list.
  HRESULT Item(const VARIANT& index, IDispatch** item);

 private:
  struct Window {
    AccessibleRef frame;
    HWND handle = 0;  // 0: neither an X11 window nor an accessibility object
  };
  std::vector<Window> windows_;
};

// The window in front: the handle of the frame the accessibility bus reports
// active, as the list gives it; else, when no application there is active,
// the X server's _NET_ACTIVE_WINDOW; 0 when there is none.
HWND GetForegroundWindow();

}  // namespace parlotto
