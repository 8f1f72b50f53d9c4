#include "platform/termination_signals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include "platform/diagnostics.h"
#include "platform/dispatch.h"

namespace parlotto {
namespace {

int g_signal_fds[2] = {-1, -1};

void OnSignal(int number) {
  // Only async-signal-safe calls here: hand the number to the event loop.
  char byte = static_cast<char>(number);
  [[maybe_unused]] ssize_t written = write(g_signal_fds[0], &byte, 1);
  signal(number, SIG_DFL);
}

}  // namespace

void OnTerminationSignal(std::function<void()> handler) {
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
    Dispatch(handler);
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
}

}  // namespace parlotto
