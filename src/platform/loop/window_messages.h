// Window handles and posted messages. A window gets a handle to which any
// thread may post a message; the message is delivered on the window's thread
// by its event loop, in the order of posting, first to the application's
// message hook and then, unless the hook handled it, to the window.
#pragma once

#include <cstdint>

namespace parlotto {

using HWND = std::uintptr_t;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_USER = 0x0400;

struct Msg {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class MessageReceiver;

// Gives an object a window handle. Create and destroy it on the thread whose
// event loop shall deliver its messages.
class MessageWindow {
 public:
  MessageWindow();
  virtual ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Never 0, never reused within a process.
  HWND Handle() const { return handle_; }

 protected:
  // The window's own handling of a message that the hook left alone.
  virtual void WndProc(Msg& msg);

 private:
  friend class MessageReceiver;
  HWND handle_;
  MessageReceiver* receiver_;
};

// Queues a message for the window; false when no such window exists.
// Safe from any thread.
bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Delivers what is pending for this thread (posted messages, timers, input,
// incoming calls) and returns; handlers may nest here.
void ProcessMessages();

}  // namespace parlotto
