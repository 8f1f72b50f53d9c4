#include "platform/loop/termination_signals.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/loop/clock.h"
#include "platform/loop/exception_guard.h"
#include "platform/places/diagnostics.h"

namespace parlotto {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_signal_fds[2] = {-1, -1};

void OnSignal(int number) {
  // Only async-signal-safe calls here: hand the number to the event loop.
  char byte = static_cast<char>(number);
  [[maybe_unused]] ssize_t written = write(g_signal_fds[0], &byte, 1);
  // All three, not just this one: a SIGINT after a SIGTERM must not wait
  // for an end that is already under way.
  for (int other : kSignals) signal(other, SIG_DFL);
}

}  // namespace

void OnTerminationSignal(const std::function<void()>& handler) {
  if (g_signal_fds[0] == -1 &&
      socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_fds) != 0) {
    ReportDiagnostic("cannot watch for termination signals");
    return;
  }
  auto* notifier =
      new QSocketNotifier(g_signal_fds[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [handler] {
    char byte;
    if (read(g_signal_fds[1], &byte, 1) != 1) return;
    RunGuarded(handler);
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int number : kSignals) sigaction(number, &action, nullptr);
}

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

bool SleepUnlessTerminating(int ms) {
  if (g_signal_fds[1] == -1) {
    Sleep(ms);
    return false;
  }
  // The byte stays in the socket for the notifier; poll only looks.
  pollfd watch{g_signal_fds[1], POLLIN, 0};
  const std::int64_t deadline = MonotonicMs() + ScaledMs(ms);
  for (;;) {
    const std::int64_t left = deadline - MonotonicMs();
    if (left <= 0) return false;
    const int ready = poll(&watch, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) {
      std::this_thread::sleep_for(std::chrono::milliseconds(left));
      return false;
    }
  }
}

}  // namespace parlotto
