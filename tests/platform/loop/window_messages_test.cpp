// Posted messages: their order, their parameters, other threads, and where
// handlers nest.
#include "platform/loop/window_messages.h"

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
#include "platform/loop/timer.h"

namespace parlotto {
namespace {

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
      trace.emplace_back("outer begins");
      PostMessage(window.Handle(), 2, 0, 0);
      Sleep(20);
      trace.emplace_back(window.received.size() == 1 ? "sleep delivered nothing"
                                                     : "sleep delivered");
      ProcessMessages();
      trace.emplace_back("outer ends");
    } else {
      trace.emplace_back("inner");
    }
  };
  PostMessage(window.Handle(), 1, 0, 0);
  ProcessMessages();
  EXPECT_EQ(trace, (std::vector<std::string>{"outer begins", "sleep delivered nothing", "inner",
                                             "outer ends"}));
}

}  // namespace
}  // namespace parlotto
