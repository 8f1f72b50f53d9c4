// The speaking waits' helper: it wakes for what arrives and otherwise ends
// after its interval.
#include "platform/loop/message_wait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <thread>

#include "platform/loop/application_events.h"
#include "platform/loop/message_loop_support.h"
#include "platform/loop/timer.h"
#include "platform/loop/window_messages.h"

namespace parlotto {
namespace {

// Far longer than any test may take: a wait that runs it out fails the test
// by its bound instead of only being slow.
constexpr int kLongWaitMs = 20000;
constexpr qint64 kWellBeforeMs = kLongWaitMs / 2;

TEST(MessageWaitTest, AMessagePostedFromAnotherThreadEndsTheWaitAndIsDelivered) {
  RecordingWindow window;
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMessage(window.Handle(), WM_USER + 7, 0, 0);
  });
  // Each wait ends at whatever arrives first; the message ends the last one.
  QElapsedTimer elapsed;
  elapsed.start();
  while (window.received.empty() && elapsed.elapsed() < kWellBeforeMs) {
    WaitForMessages(kLongWaitMs);
  }
  const qint64 waited = elapsed.elapsed();
  poster.join();
  EXPECT_EQ(window.received, std::vector<UINT>{WM_USER + 7});
  EXPECT_LT(waited, kWellBeforeMs);
}

TEST(MessageWaitTest, MessagesAlreadyPendingAreDeliveredWithoutWaiting) {
  RecordingWindow window;
  PostMessage(window.Handle(), WM_USER + 1, 0, 0);
  PostMessage(window.Handle(), WM_USER + 2, 0, 0);
  QElapsedTimer elapsed;
  elapsed.start();
  WaitForMessages(kLongWaitMs);
  EXPECT_EQ(window.received, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
  EXPECT_LT(elapsed.elapsed(), kWellBeforeMs);
}

TEST(MessageWaitTest, ATimerOfTheProgramEndsTheWaitToo) {
  int ticks = 0;
  Timer tick(20, true, [&] { ++ticks; });
  QElapsedTimer elapsed;
  elapsed.start();
  while (ticks == 0 && elapsed.elapsed() < kWellBeforeMs) WaitForMessages(kLongWaitMs);
  tick.SetEnabled(false);
  EXPECT_EQ(ticks, 1);
  EXPECT_LT(elapsed.elapsed(), kWellBeforeMs);
}

TEST(MessageWaitTest, WithNothingArrivingTheWaitEndsAfterItsInterval) {
  // What the application's start left queued would end the wait at once.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  QElapsedTimer elapsed;
  elapsed.start();
  WaitForMessages(40);
  const qint64 waited = elapsed.elapsed();
  EXPECT_GE(waited, 39);  // the timer's millisecond rounding
  EXPECT_LT(waited, kWellBeforeMs);
}

TEST(MessageWaitTest, TheIdleHookDoesNotRunForTheWaitButStillForTheLoop) {
  ApplicationEvents events;
  int idle_calls = 0;
  events.OnIdle = [&](bool&) { ++idle_calls; };
  for (int i = 0; i < 3; ++i) WaitForMessages(5);
  EXPECT_EQ(idle_calls, 0);
  ASSERT_TRUE(SpinUntil([&] { return idle_calls > 0; }));
}

}  // namespace
}  // namespace parlotto
