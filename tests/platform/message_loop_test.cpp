// Posted messages, the application hooks, timers and the dispatch wrapper:
// the order and nesting the program's waiting loops rely on.
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

#include "platform/application_events.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "platform/window_messages.h"

namespace parlotto {
namespace {

class RecordingWindow : public MessageWindow {
 public:
  std::vector<UINT> received;
  std::function<void(Msg&)> on_message;

 protected:
  void WndProc(Msg& msg) override {
    received.push_back(msg.message);
    if (on_message) on_message(msg);
  }
};

// Runs a real event loop, which waits between events as the program's does,
// until `done` or about two seconds have passed.
bool SpinUntil(const std::function<bool()>& done) {
  QEventLoop loop;
  QTimer poll;
  QElapsedTimer elapsed;
  elapsed.start();
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done() || elapsed.elapsed() > 2000) loop.quit();
  });
  poll.start(5);
  if (!done()) loop.exec();
  return done();
}

TEST(WindowMessages, DeliveredInOrderAfterTheHookWhichMayConsumeThem) {
  ApplicationEvents events;
  std::vector<UINT> hooked;
  events.OnMessage = [&](Msg& msg, bool& handled) {
    hooked.push_back(msg.message);
    if (msg.message == 4146) handled = true;
  };
  RecordingWindow window;
  for (UINT m : {4145u, 4146u, 4147u, 4148u}) {
    ASSERT_TRUE(PostMessage(window.Handle(), m, 0, 0));
  }
  // Nothing arrives before the loop runs.
  EXPECT_TRUE(window.received.empty());
  ProcessMessages();
  EXPECT_EQ(hooked, (std::vector<UINT>{4145, 4146, 4147, 4148}));
  EXPECT_EQ(window.received, (std::vector<UINT>{4145, 4147, 4148}));
}

TEST(WindowMessages, ParametersArriveAndHandlesAreNotReused) {
  RecordingWindow window;
  Msg seen;
  window.on_message = [&](Msg& msg) { seen = msg; };
  ASSERT_TRUE(PostMessage(window.Handle(), WM_USER + 7, 42, -3));
  ProcessMessages();
  EXPECT_EQ(seen.hwnd, window.Handle());
  EXPECT_EQ(seen.wParam, 42u);
  EXPECT_EQ(seen.lParam, -3);

  HWND gone;
  {
    RecordingWindow temporary;
    gone = temporary.Handle();
    // Queued for a window that then goes away: dropped, not delivered to freed memory.
    ASSERT_TRUE(PostMessage(gone, WM_USER, 0, 0));
  }
  ProcessMessages();
  EXPECT_FALSE(PostMessage(gone, WM_USER, 0, 0));
  RecordingWindow next;
  EXPECT_NE(next.Handle(), gone);
}

TEST(WindowMessages, PostedFromAnotherThreadArriveOnTheLoopThread) {
  RecordingWindow window;
  std::thread::id handled_on;
  window.on_message = [&](Msg&) { handled_on = std::this_thread::get_id(); };
  std::thread poster([h = window.Handle()] { PostMessage(h, WM_USER + 1, 0, 0); });
  poster.join();
  ASSERT_TRUE(SpinUntil([&] { return !window.received.empty(); }));
  EXPECT_EQ(handled_on, std::this_thread::get_id());
}

TEST(WindowMessages, HandlersNestInsideProcessMessagesButNotInsideSleep) {
  RecordingWindow window;
  std::vector<std::string> trace;
  window.on_message = [&](Msg& msg) {
    if (msg.message == 1) {
      trace.push_back("outer begins");
      PostMessage(window.Handle(), 2, 0, 0);
      Sleep(20);
      trace.push_back(window.received.size() == 1 ? "sleep delivered nothing" : "sleep delivered");
      ProcessMessages();
      trace.push_back("outer ends");
    } else {
      trace.push_back("inner");
    }
  };
  PostMessage(window.Handle(), 1, 0, 0);
  ProcessMessages();
  EXPECT_EQ(trace, (std::vector<std::string>{"outer begins", "sleep delivered nothing", "inner",
                                             "outer ends"}));
}

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
