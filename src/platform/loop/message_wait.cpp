#include "platform/loop/message_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "platform/loop/application_events.h"
#include "platform/loop/clock.h"
#include "platform/loop/window_messages.h"

namespace parlotto {

void WaitForMessages(int ms) {
  const int interval = ScaledMs(ms);
  if (interval <= 0) {
    ProcessMessages();
    return;
  }
  // Precise: a coarse timer may fire a few percent late, and the interval
  // is an upper bound.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(interval);
  ApplicationEvents::SkipNextIdle();
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  ApplicationEvents::KeepIdle();
  // The plain Unix dispatcher wakes for a posted message but leaves it for
  // the next round; this is that round.
  ProcessMessages();
}

}  // namespace parlotto
