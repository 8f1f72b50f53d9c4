// The main window's part of the user interface: the notification-area icon
// with its menu, and the program's window messages.
#include <QAction>
#include <QCursor>
#include <QMenu>

#include "parlotto/app_messages.h"
#include "parlotto/debug_log.h"
#include "parlotto/vocato_form.h"
#include "platform/gui/notify_icon.h"
#include "platform/loop/clock.h"

namespace parlotto {
namespace {

constexpr UINT TRAY_ICON_ID = 1111;

QIcon TaskIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/parlotto/icons/taskicon1-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/parlotto/icons/taskicon1-32.png"), QSize(32, 32));
  return icon;
}

}  // namespace

void TVocatoForm::CreatePopupMenu() {
  PopupMenu1 = new QMenu(this);
  Info1 = PopupMenu1->addAction(QStringLiteral("Info"));
  Hilfe1 = PopupMenu1->addAction(QStringLiteral("Hilfe"));
  Einstellungen1 = PopupMenu1->addAction(QStringLiteral("Einstellungen"));
  Beenden = PopupMenu1->addAction(QStringLiteral("Beenden"));
  connect(Info1, &QAction::triggered, [this] { Info1Click(); });
  connect(Hilfe1, &QAction::triggered, [this] { Hilfe1Click(); });
  connect(Einstellungen1, &QAction::triggered, [this] { Einstellungen1Click(); });
  connect(Beenden, &QAction::triggered, [this] { BeendenClick(); });
}

bool TVocatoForm::NotifyTrayIcon(UINT action) {
  NOTIFYICONDATA data;
  data.hWnd = Handle();
  data.uID = TRAY_ICON_ID;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = UM_TRAY_NOTIFY;
  // Only the modify action carries the icon and the tip.
  if (action == NIM_MODIFY) {
    data.hIcon = TaskIcon();
    data.szTip = QStringLiteral("Parlotto");
  }
  return Shell_NotifyIcon(action, data) != 0;
}

void TVocatoForm::FormCreate() {
  if (!no_agent) return;
  if (!NotifyTrayIcon(NIM_ADD)) {
    // The tray may not be up yet when the program starts with the session;
    // the service starts on demand, long after, and a caller waits for it.
    if (Serving()) return;
    Sleep(1000);
    NotifyTrayIcon(NIM_ADD);
    NotifyTrayIcon(NIM_MODIFY);
  }
  NotifyTrayIcon(NIM_MODIFY);
}

bool TVocatoForm::FormCloseQuery() {
  NotifyTrayIcon(NIM_DELETE);
  return true;
}

void TVocatoForm::WndProc(Msg& msg) {
  if (msg.message == UM_TRAY_NOTIFY && static_cast<UINT>(msg.lParam) == WM_RBUTTONUP) {
    OpenTrayMenu();
  }
}

void TVocatoForm::OpenTrayMenu() {
  QPoint position = QCursor::pos();
  activateWindow();
  PopupMenu1->exec(position);
  // Lets the menu's own messages settle, as the shell expects after a menu.
  PostMessage(Handle(), WM_NULL, 0, 0);
}

void TVocatoForm::ApplicationEvents1Message(Msg& msg, bool& handled) {
  switch (msg.message) {
    case UM_QUIT:
      QuitWithCharacter();
      break;
    case UM_SHOW_INFO:
      ShowInfoWindow();
      break;
    case UM_CHARACTER_IDLE:
      speech_finished = true;
      break;
    case UM_CHARACTER_BUSY:
      speech_finished = false;
      break;
    case UM_CHARACTER_HIDDEN:
      // A caller must not hear of a text read whole that nobody heard.
      if (Reading()) ++pieces_lost_;
      break;
    case UM_OPEN_SETTINGS:
      Einstellungen1Click();
      break;
    default:
      return;
  }
  handled = true;
}

void TVocatoForm::ApplicationEvents1Idle(bool& done) {
  WriteDebugLogState(done ? "IdleDone" : "Idle");
}

}  // namespace parlotto
