// Timers as the program's waiting loops rely on them.
#include "platform/loop/timer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/loop/application_events.h"
#include "platform/loop/clock.h"
#include "platform/loop/message_loop_support.h"
#include "platform/loop/window_messages.h"

namespace parlotto {
namespace {

TEST(TimerTest, RepeatsUntilDisabledAndEnablingRestartsTheInterval) {
  int ticks = 0;
  Timer timer(30, false, [&] { ++ticks; });
  ProcessMessages();
  EXPECT_FALSE(timer.Enabled());

  QElapsedTimer elapsed;
  elapsed.start();
  timer.SetEnabled(true);
  ASSERT_TRUE(SpinUntil([&] { return ticks >= 3; }));
  EXPECT_GE(elapsed.elapsed(), 3 * ScaledMs(30) - 5);

  timer.SetEnabled(false);
  int frozen = ticks;
  QElapsedTimer pause;
  pause.start();
  while (pause.elapsed() < 100) ProcessMessages();
  EXPECT_EQ(ticks, frozen);
}

TEST(TimerTest, AHandlerMayDisableItsOwnTimerAndChangeTheInterval) {
  int ticks = 0;
  Timer timer(10, true);
  timer.SetOnTimer([&] {
    ++ticks;
    timer.SetEnabled(false);
    timer.SetInterval(20);
  });
  ASSERT_TRUE(SpinUntil([&] { return ticks == 1; }));
  QElapsedTimer pause;
  pause.start();
  while (pause.elapsed() < 80) ProcessMessages();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(timer.Interval(), 20);
}

TEST(TimerTest, ZeroIntervalNeverFires) {
  int ticks = 0;
  Timer timer(0, true, [&] { ++ticks; });
  QElapsedTimer pause;
  pause.start();
  while (pause.elapsed() < 50) ProcessMessages();
  EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace parlotto
