// The browser-window source: of the desktop's open browser windows, the one
// in front has its page read.
#include <exception>

#include "parlotto/debug_log.h"
#include "parlotto/vocato_form.h"
#include "platform/com_runtime/com_check.h"
#include "platform/com_runtime/late_bound.h"
#include "platform/shell_windows/shell_windows.h"

namespace parlotto {

void TVocatoForm::ReadBrowserWindow() {
  TCppShellWindows ShellWindows1;
  try {
    ShellWindows1.Connect();
    // The list may change while we look: its count is read for every pass.
    for (long i = 0;; ++i) {
      long count = 0;
      OLECHECK(ShellWindows1.get_Count(&count));
      if (i >= count) break;
      ComPtr<IDispatch> item;
      OLECHECK(ShellWindows1.Item(VARIANT::I4(static_cast<std::int32_t>(i)), item.Receive()));
      OLE_REQUIRE(item);
      VARIANT hwnd;
      if (FAILED(GetProperty(item.Get(), "HWND", &hwnd))) continue;
      VARIANT window;
      if (FAILED(VariantChangeType(&window, hwnd, VT_I4))) continue;
      // X11 window ids are 32-bit unsigned numbers.
      const auto handle = static_cast<HWND>(static_cast<std::uint32_t>(window.lVal));
      if (handle != 0 && handle == GetForegroundWindow()) {
        ReadDocumentText(item.Get());
        break;
      }
    }
  } catch (const std::exception& error) {
    WriteDebugLog(std::string("ShellWindows:") + error.what());
  }
  ShellWindows1.Disconnect();
}

}  // namespace parlotto
