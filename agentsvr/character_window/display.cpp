#include "agentsvr/character_window/display.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace parlotto::agent {

bool Composited() {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  // Not X11: the platform blends. The offscreen platform offers the X11
  // interface too, without a connection.
  xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
  if (connection == nullptr) return true;
  // The manager owns the selection _NET_WM_CM_S<screen>; ours is the first.
  static constexpr char kSelection[] = "_NET_WM_CM_S0";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 1, sizeof kSelection - 1, kSelection), nullptr);
  if (atom == nullptr) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  const bool owned = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return owned;
}

bool OnXWayland() {
  if (!qGuiApp->platformName().startsWith(QLatin1String("xcb"))) return false;
  // XWayland names its outputs XWAYLAND0, XWAYLAND1, ... (its extension of
  // that name came only with version 23).
  const QList<QScreen*> screens = QGuiApplication::screens();
  return std::any_of(screens.begin(), screens.end(), [](const QScreen* screen) {
    return screen->name().startsWith(QLatin1String("XWAYLAND"));
  });
}

namespace {

QString g_qt_scale_factor;  // as the environment had it at the start

}  // namespace

qreal ScaleFrom(const ScaleSources& sources) {
  bool ok = false;
  qreal scale = sources.qt_scale_factor.toDouble(&ok);
  if (!ok || !std::isfinite(scale) || scale <= 0) {
    scale = sources.gdk_scale.toInt(&ok);
    if (!ok || scale <= 0) scale = sources.logical_dpi / 96;
  }
  if (!std::isfinite(scale)) return 1;
  // A quarter is as fine as desktops offer (1.25, 1.5, 1.75); below 1 is
  // no dense screen, above 4 no desktop scales.
  return std::clamp(std::round(scale * 4) / 4, qreal{1}, qreal{4});
}

void TakeQtScaleFactors() {
  g_qt_scale_factor = qEnvironmentVariable("QT_SCALE_FACTOR");
  unsetenv("QT_SCALE_FACTOR");
  unsetenv("QT_SCREEN_SCALE_FACTORS");
}

qreal DisplayScale() {
  ScaleSources sources;
  sources.qt_scale_factor =
      g_qt_scale_factor.isEmpty() ? qEnvironmentVariable("QT_SCALE_FACTOR") : g_qt_scale_factor;
  sources.gdk_scale = qEnvironmentVariable("GDK_SCALE");
  // Without Qt's own scaling the screen's logical DPI is Xft.dpi itself.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    sources.logical_dpi = screen->logicalDotsPerInch();
  }
  return ScaleFrom(sources);
}

}  // namespace parlotto::agent
