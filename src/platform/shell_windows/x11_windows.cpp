#include "platform/shell_windows/x11_windows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace parlotto::x11 {
namespace {

// The window manager's lists can be long; no client list holds more.
constexpr std::uint32_t kMaxListedWindows = 4096;
constexpr std::uint32_t kMaxTitleBytes = 4096;

struct Connection {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;

  Connection() {
    // Without DISPLAY xcb would still try the default display: a process
    // without one has no desktop to read.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return;
    int screen_number = 0;
    connection = xcb_connect(display, &screen_number);
    if (xcb_connection_has_error(connection) != 0) return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen_number && it.rem > 0; ++i) xcb_screen_next(&it);
    if (it.rem > 0) root = it.data->root;
  }
  ~Connection() {
    if (connection != nullptr) xcb_disconnect(connection);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool ok() const { return root != 0; }

  xcb_atom_t Atom(const char* name) const {
    auto cookie =
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }

  // The property's raw value, at most `max_bytes`; empty when the window or
  // property is missing or of another type.
  std::string Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                       std::uint32_t max_bytes) const {
    if (property == XCB_ATOM_NONE) return {};
    auto cookie = xcb_get_property(connection, 0, window, property, type, 0, (max_bytes + 3) / 4);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->type != type) return {};
    const int length = xcb_get_property_value_length(reply.get());
    if (length <= 0) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(length));
  }

  std::vector<std::uint32_t> Cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                       std::uint32_t max_count) const {
    const std::string raw = Property(window, property, type, max_count * 4);
    std::vector<std::uint32_t> values(raw.size() / 4);
    if (!values.empty()) std::memcpy(values.data(), raw.data(), values.size() * 4);
    return values;
  }
};

}  // namespace

std::vector<ClientWindow> ClientWindows() {
  Connection x;
  if (!x.ok()) return {};
  const xcb_atom_t client_list = x.Atom("_NET_CLIENT_LIST");
  const xcb_atom_t wm_pid = x.Atom("_NET_WM_PID");
  const xcb_atom_t wm_name = x.Atom("_NET_WM_NAME");
  const xcb_atom_t utf8 = x.Atom("UTF8_STRING");
  std::vector<ClientWindow> windows;
  for (std::uint32_t id : x.Cardinals(x.root, client_list, XCB_ATOM_WINDOW, kMaxListedWindows)) {
    ClientWindow window;
    window.id = id;
    const auto pid = x.Cardinals(id, wm_pid, XCB_ATOM_CARDINAL, 1);
    if (!pid.empty()) window.pid = pid.front();
    window.title = x.Property(id, wm_name, utf8, kMaxTitleBytes);
    if (window.title.empty()) {
      window.title = x.Property(id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, kMaxTitleBytes);
    }
    windows.push_back(std::move(window));
  }
  return windows;
}

std::uint32_t ActiveWindow() {
  Connection x;
  if (!x.ok()) return 0;
  const auto active = x.Cardinals(x.root, x.Atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 1);
  return active.empty() ? 0 : active.front();
}

}  // namespace parlotto::x11
