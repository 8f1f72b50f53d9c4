#include "platform/gui/notify_icon.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <map>
#include <utility>

namespace parlotto {
namespace {

// The desktop's tray through QSystemTrayIcon (StatusNotifierItem or XEmbed).
class TrayHost final : public NotifyIconHost {
 public:
  bool Add(const NOTIFYICONDATA& data) override {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    auto key = std::make_pair(data.hWnd, data.uID);
    if (icons_.count(key)) return false;
    // Owned by the application object too, so that an icon still shown when
    // the program ends goes with it rather than after it.
    auto* icon = new QSystemTrayIcon(QCoreApplication::instance());
    UINT callback = data.uCallbackMessage;
    HWND window = data.hWnd;
    QObject::connect(icon, &QSystemTrayIcon::activated,
                     [window, callback](QSystemTrayIcon::ActivationReason reason) {
                       if (callback == 0) return;
                       PostMessage(window, callback, 0, MouseMessage(reason));
                     });
    Apply(icon, data);
    icons_.emplace(key, icon);
    return true;
  }

  bool Modify(const NOTIFYICONDATA& data) override {
    auto it = icons_.find({data.hWnd, data.uID});
    if (it == icons_.end()) return false;
    Apply(it->second, data);
    return true;
  }

  bool Delete(const NOTIFYICONDATA& data) override {
    auto it = icons_.find({data.hWnd, data.uID});
    if (it == icons_.end()) return false;
    delete it->second;
    icons_.erase(it);
    return true;
  }

 private:
  static LPARAM MouseMessage(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
      case QSystemTrayIcon::Context:
        return WM_RBUTTONUP;
      case QSystemTrayIcon::DoubleClick:
        return WM_LBUTTONDBLCLK;
      case QSystemTrayIcon::MiddleClick:
        return WM_MBUTTONUP;
      case QSystemTrayIcon::Trigger:
      case QSystemTrayIcon::Unknown:
        break;
    }
    return WM_LBUTTONUP;
  }

  static void Apply(QSystemTrayIcon* icon, const NOTIFYICONDATA& data) {
    if (data.uFlags & NIF_ICON) icon->setIcon(data.hIcon);
    if (data.uFlags & NIF_TIP) icon->setToolTip(data.szTip.left(63));
    // The tray shows an icon only once it has a picture.
    icon->setVisible(!icon->icon().isNull());
  }

  std::map<std::pair<HWND, UINT>, QSystemTrayIcon*> icons_;
};

std::unique_ptr<NotifyIconHost>& Host() {
  static std::unique_ptr<NotifyIconHost> host;
  if (!host) host = std::make_unique<TrayHost>();
  return host;
}

}  // namespace

int Shell_NotifyIcon(UINT message, const NOTIFYICONDATA& data) {
  switch (message) {
    case NIM_ADD:
      return Host()->Add(data) ? 1 : 0;
    case NIM_MODIFY:
      return Host()->Modify(data) ? 1 : 0;
    case NIM_DELETE:
      return Host()->Delete(data) ? 1 : 0;
    default:
      return 0;
  }
}

void SetNotifyIconHost(std::unique_ptr<NotifyIconHost> host) { Host() = std::move(host); }

}  // namespace parlotto
