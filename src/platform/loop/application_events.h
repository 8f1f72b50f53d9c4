// The application's hooks on its message loop: every posted message before
// its window sees it, every time the loop is about to wait, and every
// exception that a handler lets escape. One instance is the program's; while
// it exists it receives what the loop delivers.
#pragma once

#include <QMetaObject>
#include <functional>
#include <string>

#include "platform/loop/window_messages.h"

namespace parlotto {

class ApplicationEvents {
 public:
  // `msg` may be changed; setting `handled` keeps it from its window.
  std::function<void(Msg& msg, bool& handled)> OnMessage;
  // `done` comes in true; it is kept for the handler's sake only.
  std::function<void(bool& done)> OnIdle;
  // The message text of an exception that escaped a handler.
  std::function<void(const std::string& message)> OnException;

  // Needs the Qt application object to exist (for the idle hook).
  ApplicationEvents();
  ~ApplicationEvents();
  ApplicationEvents(const ApplicationEvents&) = delete;
  ApplicationEvents& operator=(const ApplicationEvents&) = delete;

  // The installed instance, or null.
  static ApplicationEvents* Current();

  // The loop's next wait belongs to a handler that waits for messages
  // (WaitForMessages), not to the loop going idle: the idle hook skips it.
  // KeepIdle ends the skip if that wait never came. Main thread only.
  static void SkipNextIdle();
  static void KeepIdle();

 private:
  void RunIdle();

  ApplicationEvents* previous_;
  QMetaObject::Connection idle_connection_;
};

// The check the application consults when it is asked to terminate (the
// main window closing); false keeps it running. One at a time; null removes it.
void SetTerminateCheck(std::function<bool()> check);
// True when no check is set or the check allows it.
bool TerminateConfirmed();

}  // namespace parlotto
