#include "parlotto-open/front_window.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace parlotto {
namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

// A source indication of 2 in _NET_ACTIVE_WINDOW: the request comes from
// a pager, on the user's behalf.
constexpr std::uint32_t kSourcePager = 2;

}  // namespace

FrontWindow::FrontWindow() {
  // xcb would try a default display without DISPLAY; no DISPLAY, no X.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return;
  int screen_number = 0;
  connection_ = xcb_connect(display, &screen_number);
  if (xcb_connection_has_error(connection_) != 0) return;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screen_number && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) return;
  active_atom_ = Atom("_NET_ACTIVE_WINDOW");
  if (active_atom_ != XCB_ATOM_NONE) root_ = it.data->root;
}

FrontWindow::~FrontWindow() {
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

std::uint32_t FrontWindow::Atom(const char* name) const {
  auto cookie =
      xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr),
                                          &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::uint32_t FrontWindow::Current() const {
  if (!Available()) return 0;
  auto cookie = xcb_get_property(connection_, 0, root_, active_atom_, XCB_ATOM_WINDOW, 0, 1);
  ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr),
                                           &std::free);
  if (!reply || reply->type != XCB_ATOM_WINDOW || xcb_get_property_value_length(reply.get()) < 4) {
    return 0;
  }
  std::uint32_t window = 0;
  std::memcpy(&window, xcb_get_property_value(reply.get()), sizeof window);
  return window;
}

void FrontWindow::Request(std::uint32_t window) const {
  if (!Available() || window == 0) return;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = active_atom_;
  event.data.data32[0] = kSourcePager;
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(connection_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(connection_);
}

}  // namespace parlotto
