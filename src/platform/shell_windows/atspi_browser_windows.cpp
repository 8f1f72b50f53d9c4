#include "platform/shell_windows/atspi_browser_windows.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>
#include <unistd.h>

#include <QFileInfo>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>

#include "platform/shell_windows/accessible_text.h"

namespace parlotto {
namespace {

using Clock = std::chrono::steady_clock;

// A browser that does not answer a call within this is taken as hung.
constexpr int kCallTimeoutMs = 3000;
constexpr int kBusTimeoutMs = 5000;
constexpr auto kListBudget = std::chrono::seconds(10);
constexpr auto kTextBudget = std::chrono::seconds(20);
constexpr int kMaxApplications = 256;
constexpr int kMaxFramesPerApplication = 64;
// Browser chrome (tabs, toolbars) sits above the document; the search for
// the document stops at these bounds.
constexpr int kMaxSearchNodes = 4000;
constexpr int kMaxSearchDepth = 32;
constexpr int kMaxSearchChildren = 512;
// Calls that fail before a walk gives up (an object may vanish while the
// page changes; many failures mean the browser has gone or hangs).
constexpr int kMaxFailures = 16;
constexpr int kMaxNodeChars = 1 << 20;

template <typename T>
struct GObjectUnref {
  void operator()(T* object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename T>
using GRef = std::unique_ptr<T, GObjectUnref<T>>;

struct GFree {
  void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFree>;

// Counts failures and time of one walk through a browser's objects; once
// it is spent, no more calls are made.
class Walk {
 public:
  explicit Walk(Clock::duration budget) : deadline_(Clock::now() + budget) {}

  bool Spent() const { return failures_ >= kMaxFailures || Clock::now() >= deadline_; }

  // True when the call that filled `error` succeeded.
  bool Ok(GError*& error) {
    if (error == nullptr) return true;
    g_clear_error(&error);
    ++failures_;
    return false;
  }

 private:
  Clock::time_point deadline_;
  int failures_ = 0;
};

std::optional<AtspiRole> RoleOf(AtspiAccessible* object, Walk& walk) {
  GError* error = nullptr;
  AtspiRole role = atspi_accessible_get_role(object, &error);
  if (!walk.Ok(error)) return std::nullopt;
  return role;
}

int ChildCountOf(AtspiAccessible* object, Walk& walk) {
  GError* error = nullptr;
  int count = atspi_accessible_get_child_count(object, &error);
  return walk.Ok(error) ? count : 0;
}

AtspiAccessible* ChildOf(AtspiAccessible* object, int index, Walk& walk) {
  GError* error = nullptr;
  AtspiAccessible* child = atspi_accessible_get_child_at_index(object, index, &error);
  if (!walk.Ok(error)) return nullptr;
  return child;
}

bool HasState(AtspiAccessible* object, AtspiStateType state) {
  GRef<AtspiStateSet> states(atspi_accessible_get_state_set(object));
  return states && atspi_state_set_contains(states.get(), state);
}

bool IsShowing(AtspiAccessible* object) { return HasState(object, ATSPI_STATE_SHOWING); }

bool IsTopLevelRole(std::optional<AtspiRole> role) {
  return role && (*role == ATSPI_ROLE_FRAME || *role == ATSPI_ROLE_WINDOW);
}

// Calls `visit(frame, pid)` for each top-level frame or window of the
// desktop's applications but this process, until it answers true.
template <typename Visit>
void ForEachTopLevel(Walk& walk, Visit visit) {
  GRef<AtspiAccessible> desktop(atspi_get_desktop(0));
  if (!desktop) return;
  const int applications = std::min(ChildCountOf(desktop.get(), walk), kMaxApplications);
  const auto own_pid = static_cast<std::int64_t>(getpid());
  for (int a = 0; a < applications && !walk.Spent(); ++a) {
    AccessibleRef application(ChildOf(desktop.get(), a, walk));
    if (!application) continue;
    GError* error = nullptr;
    const auto pid =
        static_cast<std::int64_t>(atspi_accessible_get_process_id(application.get(), &error));
    if (!walk.Ok(error) || pid == own_pid) continue;
    const int count = std::min(ChildCountOf(application.get(), walk), kMaxFramesPerApplication);
    for (int f = 0; f < count && !walk.Spent(); ++f) {
      AccessibleRef frame(ChildOf(application.get(), f, walk));
      if (!frame || !IsTopLevelRole(RoleOf(frame.get(), walk))) continue;
      if (visit(frame, pid)) return;
    }
  }
}

// Breadth first, so the document is found before the bounds are reached by
// deep toolbars; documents are not searched inside.
AccessibleRef FindDocument(AtspiAccessible* frame, Walk& walk, bool showing_only) {
  struct Pending {
    AccessibleRef object;
    int depth;
  };
  std::deque<Pending> queue;
  queue.push_back({AccessibleRef(ATSPI_ACCESSIBLE(g_object_ref(frame))), 0});
  AccessibleRef first_document;
  int visited = 0;
  while (!queue.empty() && visited < kMaxSearchNodes && !walk.Spent()) {
    Pending next = std::move(queue.front());
    queue.pop_front();
    ++visited;
    AtspiAccessible* object = next.object.get();
    std::optional<AtspiRole> role = RoleOf(object, walk);
    if (!role) continue;
    if (*role == ATSPI_ROLE_DOCUMENT_WEB) {
      if (!showing_only || IsShowing(object)) return next.object;
      if (!first_document) first_document = next.object;
      continue;
    }
    if (next.depth >= kMaxSearchDepth) continue;
    const int count = std::min(ChildCountOf(object, walk), kMaxSearchChildren);
    for (int i = 0; i < count && !walk.Spent(); ++i) {
      if (AtspiAccessible* child = ChildOf(object, i, walk)) {
        queue.push_back({AccessibleRef(child), next.depth + 1});
      }
    }
  }
  // A browser that marks no tab as showing still shows one.
  return first_document;
}

bool IsBlockRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_DESCRIPTION_LIST:
    case ATSPI_ROLE_DESCRIPTION_TERM:
    case ATSPI_ROLE_DESCRIPTION_VALUE:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_BLOCK_QUOTE:
    case ATSPI_ROLE_FORM:
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_CAPTION:
    case ATSPI_ROLE_DOCUMENT_WEB:
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_INTERNAL_FRAME:
    case ATSPI_ROLE_FOOTER:
    case ATSPI_ROLE_HEADER:
    case ATSPI_ROLE_LANDMARK:
    case ATSPI_ROLE_SEPARATOR:
      return true;
    default:
      return false;
  }
}

class AtspiPageNode final : public PageNode {
 public:
  AtspiPageNode(AccessibleRef object, Walk& walk) : object_(std::move(object)), walk_(walk) {}

  bool IsBlock() override {
    if (walk_.Spent()) return false;
    std::optional<AtspiRole> role = RoleOf(object_.get(), walk_);
    role_ = role.value_or(ATSPI_ROLE_INVALID);
    return role && IsBlockRole(*role);
  }

  std::optional<std::vector<char32_t>> Text() override {
    if (walk_.Spent()) return std::vector<char32_t>{};
    GRef<AtspiText> text(atspi_accessible_get_text_iface(object_.get()));
    if (!text) return std::nullopt;
    GError* error = nullptr;
    const int count = atspi_text_get_character_count(text.get(), &error);
    if (!walk_.Ok(error)) return std::vector<char32_t>{};
    GText utf8(atspi_text_get_text(text.get(), 0, std::min(count, kMaxNodeChars), &error));
    if (!walk_.Ok(error) || !utf8) return std::vector<char32_t>{};
    const QList<uint> ucs4 = QString::fromUtf8(utf8.get()).toUcs4();
    std::vector<char32_t> result(ucs4.begin(), ucs4.end());
    // A list item's text starts with its marker, which is not read.
    if (role_ == ATSPI_ROLE_LIST_ITEM && result.size() >= 2 && IsBullet(result[0]) &&
        result[1] == U' ') {
      result.erase(result.begin(), result.begin() + 2);
    }
    return result;
  }

  std::unique_ptr<PageNode> EmbeddedAt(int offset, int ordinal) override {
    if (walk_.Spent()) return nullptr;
    GRef<AtspiHypertext> hypertext(atspi_accessible_get_hypertext_iface(object_.get()));
    if (!hypertext) return Child(ordinal);
    GError* error = nullptr;
    const int index = atspi_hypertext_get_link_index(hypertext.get(), offset, &error);
    if (!walk_.Ok(error) || index < 0) return Child(ordinal);
    GRef<AtspiHyperlink> link(atspi_hypertext_get_link(hypertext.get(), index, &error));
    if (!walk_.Ok(error) || !link) return nullptr;
    AtspiAccessible* embedded = atspi_hyperlink_get_object(link.get(), 0, &error);
    if (!walk_.Ok(error) || embedded == nullptr) return nullptr;
    return std::make_unique<AtspiPageNode>(AccessibleRef(embedded), walk_);
  }

  int ChildCount() override { return walk_.Spent() ? 0 : ChildCountOf(object_.get(), walk_); }

  std::unique_ptr<PageNode> Child(int index) override {
    if (walk_.Spent()) return nullptr;
    AtspiAccessible* child = ChildOf(object_.get(), index, walk_);
    if (child == nullptr) return nullptr;
    return std::make_unique<AtspiPageNode>(AccessibleRef(child), walk_);
  }

 private:
  static bool IsBullet(char32_t c) { return c == U'\u2022' || c == U'\u25E6' || c == U'\u25AA'; }

  AccessibleRef object_;
  Walk& walk_;
  AtspiRole role_ = ATSPI_ROLE_INVALID;  // known once IsBlock was asked
};

// The session bus's address as a client finds it: the variable, else the
// per-user bus of the login session. No autolaunch.
std::string SessionBusAddress() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
    return address;
  }
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    const QString socket = QString::fromUtf8(runtime) + QStringLiteral("/bus");
    if (QFileInfo(socket).exists()) return "unix:path=" + socket.toStdString();
  }
  return {};
}

struct PrivateConnection {
  DBusConnection* connection = nullptr;
  explicit PrivateConnection(const std::string& address) {
    DBusError error;
    dbus_error_init(&error);
    connection = dbus_connection_open_private(address.c_str(), &error);
    dbus_error_free(&error);
    if (connection != nullptr) dbus_connection_set_exit_on_disconnect(connection, FALSE);
  }
  ~PrivateConnection() {
    if (connection != nullptr) {
      dbus_connection_close(connection);
      dbus_connection_unref(connection);
    }
  }
  PrivateConnection(const PrivateConnection&) = delete;
  PrivateConnection& operator=(const PrivateConnection&) = delete;

  bool Register() {
    if (connection == nullptr) return false;
    DBusError error;
    dbus_error_init(&error);
    const bool registered = dbus_bus_register(connection, &error) != FALSE;
    dbus_error_free(&error);
    return registered;
  }
};

// The accessibility bus's address: the variable, else what the session's
// bus launcher answers (starting it if the session can).
std::string AccessibilityBusAddress() {
  if (const char* address = std::getenv("AT_SPI_BUS_ADDRESS"); address && *address) {
    return address;
  }
  const std::string session_address = SessionBusAddress();
  if (session_address.empty()) return {};
  PrivateConnection session(session_address);
  if (!session.Register()) return {};
  DBusMessage* call =
      dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
  if (call == nullptr) return {};
  DBusError error;
  dbus_error_init(&error);
  DBusMessage* reply =
      dbus_connection_send_with_reply_and_block(session.connection, call, kBusTimeoutMs, &error);
  dbus_message_unref(call);
  std::string address;
  const char* text = nullptr;
  if (reply != nullptr &&
      dbus_message_get_args(reply, &error, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID) &&
      text != nullptr) {
    address = text;
  }
  if (reply != nullptr) dbus_message_unref(reply);
  dbus_error_free(&error);
  return address;
}

}  // namespace

AccessibleRef::AccessibleRef(const AccessibleRef& other) : object_(other.object_) {
  if (object_ != nullptr) g_object_ref(object_);
}

AccessibleRef& AccessibleRef::operator=(const AccessibleRef& other) {
  AccessibleRef copy(other);
  std::swap(object_, copy.object_);
  return *this;
}

AccessibleRef::AccessibleRef(AccessibleRef&& other) noexcept
    : object_(std::exchange(other.object_, nullptr)) {}

AccessibleRef& AccessibleRef::operator=(AccessibleRef&& other) noexcept {
  std::swap(object_, other.object_);
  return *this;
}

AccessibleRef::~AccessibleRef() {
  if (object_ != nullptr) g_object_unref(object_);
}

bool AccessibilityAvailable() {
  static bool initialized = false;
  // Checked each time: the bus may have gone since. libatspi aborts the
  // process when it cannot reach the bus, so it is only started on one that
  // was just seen to answer, and told to use that one.
  const std::string address = AccessibilityBusAddress();
  if (address.empty()) return false;
  {
    PrivateConnection probe(address);
    if (!probe.Register()) return false;
  }
  if (!initialized) {
    setenv("AT_SPI_BUS_ADDRESS", address.c_str(), 1);
    atspi_set_timeout(kCallTimeoutMs, kBusTimeoutMs);
    if (atspi_init() < 0) return false;
    initialized = true;
  }
  return true;
}

std::vector<BrowserFrame> ListBrowserFrames() {
  std::vector<BrowserFrame> frames;
  if (!AccessibilityAvailable()) return frames;
  Walk walk(kListBudget);
  ForEachTopLevel(walk, [&](AccessibleRef& frame, std::int64_t pid) {
    // A browser window always has a title; the untitled frames that hold
    // a document are a browser's hidden helper windows (Chromium keeps
    // some), never shown as windows of the desktop.
    GError* error = nullptr;
    GText name(atspi_accessible_get_name(frame.get(), &error));
    if (!walk.Ok(error) || !name || *name == '\0') return false;
    if (!FindDocument(frame.get(), walk, false)) return false;
    frames.push_back({std::move(frame), pid, std::string(name.get())});
    return false;
  });
  return frames;
}

std::vector<AccessibleRef> ActiveFrames() {
  std::vector<AccessibleRef> active;
  if (!AccessibilityAvailable()) return active;
  Walk walk(kListBudget);
  ForEachTopLevel(walk, [&](AccessibleRef& frame, std::int64_t) {
    if (HasState(frame.get(), ATSPI_STATE_ACTIVE)) active.push_back(std::move(frame));
    return false;
  });
  return active;
}

std::string AccessibleKey(const AccessibleRef& object) {
  if (!object) return {};
  const AtspiObject* remote = ATSPI_OBJECT(object.get());
  if (remote->app == nullptr || remote->app->bus_name == nullptr || remote->path == nullptr) {
    return {};
  }
  return std::string(remote->app->bus_name) + remote->path;
}

AccessibleRef ShowingDocument(const AccessibleRef& frame) {
  if (!frame) return {};
  Walk walk(kListBudget);
  return FindDocument(frame.get(), walk, true);
}

QString DocumentText(const AccessibleRef& document) {
  if (!document) return {};
  Walk walk(kTextBudget);
  AtspiPageNode root(document, walk);
  return PageText(root);
}

}  // namespace parlotto
