#include "platform/loop/application_events.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QObject>

#include "platform/loop/exception_guard.h"

namespace parlotto {
namespace {

ApplicationEvents* g_current = nullptr;
bool g_skip_next_idle = false;

}  // namespace

ApplicationEvents::ApplicationEvents() : previous_(g_current) {
  g_current = this;
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    idle_connection_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock,
                                        [this] { RunIdle(); });
  }
}

ApplicationEvents::~ApplicationEvents() {
  QObject::disconnect(idle_connection_);
  if (g_current == this) g_current = previous_;
}

ApplicationEvents* ApplicationEvents::Current() { return g_current; }

void ApplicationEvents::SkipNextIdle() { g_skip_next_idle = true; }

void ApplicationEvents::KeepIdle() { g_skip_next_idle = false; }

void ApplicationEvents::RunIdle() {
  if (g_skip_next_idle) {
    g_skip_next_idle = false;
    return;
  }
  if (!OnIdle) return;
  RunGuarded([this] {
    bool done = true;
    OnIdle(done);
  });
}

namespace {

std::function<bool()>& TerminateCheck() {
  static std::function<bool()> check;
  return check;
}

}  // namespace

void SetTerminateCheck(std::function<bool()> check) { TerminateCheck() = std::move(check); }

bool TerminateConfirmed() {
  // A copy: the check may run a dialog's loop, in which it could be replaced.
  std::function<bool()> check = TerminateCheck();
  return !check || check();
}

}  // namespace parlotto
