#include "agentsvr/character_window/display.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

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

}  // namespace parlotto::agent
