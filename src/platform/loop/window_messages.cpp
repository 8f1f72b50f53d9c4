#include "platform/loop/window_messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "platform/loop/application_events.h"
#include "platform/loop/exception_guard.h"

namespace parlotto {
namespace {

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class MessageEvent : public QEvent {
 public:
  explicit MessageEvent(const Msg& msg) : QEvent(kMessageEvent), msg_(msg) {}
  const Msg& msg() const { return msg_; }

 private:
  Msg msg_;
};

std::mutex& WindowsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<HWND, MessageReceiver*>& Windows() {
  static std::unordered_map<HWND, MessageReceiver*> windows;
  return windows;
}

std::atomic<HWND> g_next_handle{0x10000};

}  // namespace

// The Qt object that carries a window's posted messages. Qt drops the events
// still queued for it when it is deleted, so a message to a window that has
// gone is simply lost, as on Windows.
class MessageReceiver : public QObject {
 public:
  explicit MessageReceiver(MessageWindow* window) : window_(window) {}

  bool event(QEvent* event) override {
    if (event->type() != kMessageEvent) return QObject::event(event);
    Msg msg = static_cast<MessageEvent*>(event)->msg();
    RunGuarded([&] {
      bool handled = false;
      ApplicationEvents* events = ApplicationEvents::Current();
      if (events != nullptr && events->OnMessage) events->OnMessage(msg, handled);
      if (!handled) window_->WndProc(msg);
    });
    return true;
  }

 private:
  MessageWindow* window_;
};

MessageWindow::MessageWindow()
    : handle_(g_next_handle.fetch_add(4)), receiver_(new MessageReceiver(this)) {
  std::lock_guard<std::mutex> lock(WindowsMutex());
  Windows()[handle_] = receiver_;
}

MessageWindow::~MessageWindow() {
  {
    std::lock_guard<std::mutex> lock(WindowsMutex());
    Windows().erase(handle_);
  }
  delete receiver_;
}

void MessageWindow::WndProc(Msg&) {}

bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> lock(WindowsMutex());
  auto it = Windows().find(window);
  if (it == Windows().end()) return false;
  QCoreApplication::postEvent(it->second, new MessageEvent(Msg{window, message, wParam, lParam}));
  return true;
}

void ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace parlotto
