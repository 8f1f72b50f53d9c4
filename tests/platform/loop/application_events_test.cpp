// The application hooks: exceptions, idle rounds and which instance is current.
#include "platform/loop/application_events.h"

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

#include "platform/loop/clock.h"
#include "platform/loop/message_loop_support.h"
#include "platform/loop/timer.h"
#include "platform/loop/window_messages.h"

namespace parlotto {
namespace {

TEST(ApplicationEventsTest, AnExceptionInAHandlerReachesTheHookAndTheLoopGoesOn) {
  ApplicationEvents events;
  std::vector<std::string> errors;
  events.OnException = [&](const std::string& message) { errors.push_back(message); };

  int ticks = 0;
  Timer failing(10, true, [&] {
    ++ticks;
    throw std::runtime_error("Zugriffsverletzung");
  });
  RecordingWindow window;
  window.on_message = [](Msg&) { throw 17; };
  PostMessage(window.Handle(), WM_USER, 0, 0);

  ASSERT_TRUE(SpinUntil([&] { return ticks >= 2; }));
  failing.SetEnabled(false);
  ASSERT_GE(errors.size(), 3u);
  EXPECT_EQ(errors[0], "Unknown exception");
  EXPECT_EQ(errors[1], "Zugriffsverletzung");
}

TEST(ApplicationEventsTest, IdleRunsWhenTheLoopWaitsWithDoneTrue) {
  ApplicationEvents events;
  int idle_calls = 0;
  bool done_seen = false;
  events.OnIdle = [&](bool& done) {
    ++idle_calls;
    done_seen = done;
  };
  ASSERT_TRUE(SpinUntil([&] { return idle_calls > 0; }));
  EXPECT_TRUE(done_seen);
}

TEST(ApplicationEventsTest, TheNewestInstanceIsCurrentUntilItGoes) {
  ApplicationEvents outer;
  {
    ApplicationEvents inner;
    EXPECT_EQ(ApplicationEvents::Current(), &inner);
  }
  EXPECT_EQ(ApplicationEvents::Current(), &outer);
}

}  // namespace
}  // namespace parlotto
