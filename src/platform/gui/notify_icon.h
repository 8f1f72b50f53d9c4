// Icons in the desktop's notification area, addressed by window and id as
// the program's shell expects. Mouse activity on an icon is posted to its
// window as the icon's callback message with the mouse message in lParam.
#pragma once

#include <QIcon>
#include <QString>
#include <memory>

#include "platform/loop/window_messages.h"

namespace parlotto {

constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONUP = 0x0208;

enum : UINT { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };
enum : UINT { NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4 };

struct NOTIFYICONDATA {
  HWND hWnd = 0;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  QIcon hIcon;    // null: none
  QString szTip;  // at most 63 characters are kept
};

// What shows the icons; the desktop's tray, or a test's stand-in.
class NotifyIconHost {
 public:
  virtual ~NotifyIconHost() = default;
  // False when there is no notification area, or the icon exists already.
  virtual bool Add(const NOTIFYICONDATA& data) = 0;
  virtual bool Modify(const NOTIFYICONDATA& data) = 0;
  virtual bool Delete(const NOTIFYICONDATA& data) = 0;
};

// Non-zero on success, as the shell's function.
int Shell_NotifyIcon(UINT message, const NOTIFYICONDATA& data);

// Replaces the host (tests); null restores the desktop's tray.
void SetNotifyIconHost(std::unique_ptr<NotifyIconHost> host);

}  // namespace parlotto
