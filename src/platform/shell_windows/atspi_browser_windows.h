// The browsers of the desktop as the accessibility bus (AT-SPI) shows them:
// the frames that hold a web document, and the rendered text of the page a
// frame shows. Every call into a browser is bounded (a per-call timeout, a
// node count, a time budget), so a hung or huge browser costs seconds, not
// the reading.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// libatspi's own name for its object type.
struct _AtspiAccessible;  // NOLINT(bugprone-reserved-identifier)

namespace parlotto {

// One reference to an accessible object.
class AccessibleRef {
 public:
  AccessibleRef() = default;
  // Takes over the reference.
  explicit AccessibleRef(_AtspiAccessible* object) : object_(object) {}
  AccessibleRef(const AccessibleRef& other);
  AccessibleRef& operator=(const AccessibleRef& other);
  AccessibleRef(AccessibleRef&& other) noexcept;
  AccessibleRef& operator=(AccessibleRef&& other) noexcept;
  ~AccessibleRef();

  _AtspiAccessible* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  _AtspiAccessible* object_ = nullptr;
};

struct BrowserFrame {
  AccessibleRef frame;
  std::int64_t pid = 0;
  std::string title;
};

// Connects to the accessibility bus once it is known to answer; false, with
// nothing logged, when there is no session bus or no accessibility bus.
bool AccessibilityAvailable();

// The top-level frames of the desktop's applications that hold a web
// document, in the order of the desktop's list. Empty when accessibility is
// not available.
std::vector<BrowserFrame> ListBrowserFrames();

// The top-level frames (or windows) of other applications that the
// accessibility bus reports active: the window in front, for X11 and native
// Wayland clients alike. Most often one; an application that has not yet
// caught up with a change of focus may make it two for a moment.
std::vector<AccessibleRef> ActiveFrames();

// Names the remote object behind `object` (its bus name and path): equal for
// two references to one object, also when taken in separate walks.
std::string AccessibleKey(const AccessibleRef& object);

// The document that `frame` shows (its selected tab), or null.
AccessibleRef ShowingDocument(const AccessibleRef& frame);

// The rendered text of `document`; empty when it cannot be read.
QString DocumentText(const AccessibleRef& document);

}  // namespace parlotto
