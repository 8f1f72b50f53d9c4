// The fade's worker thread against a form that lives or dies while it runs.
#include "parlotto/ui/fade_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPointer>
#include <QWidget>
#include <chrono>
#include <vector>

#include "parlotto/ui/layered_form.h"

namespace parlotto {
namespace {

// Lets the main thread's events through until `done` holds, for at most 10 s.
template <typename Done>
bool ProcessEventsUntil(Done done) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done() && elapsed.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return done();
}

TEST(FadeThread, DeliversEveryLevelInOrderAndThenItsEndWhileTheFormLives) {
  QWidget form;
  auto* layered = new TLayeredForm(&form);
  constexpr int kDone = -1;
  std::vector<int> seen;
  layered->OnAlphaApplied = [&](std::uint8_t level) { seen.push_back(level); };
  layered->OnFadeOutDone = [&](TLayeredForm* sender) {
    EXPECT_EQ(sender, layered);
    seen.push_back(kDone);
  };
  QPointer<TFadeThread> thread = new TFadeThread(layered, false, 0, 50);
  thread->start();
  ASSERT_TRUE(ProcessEventsUntil([&] { return thread.isNull(); })) << "the thread never ended";
  EXPECT_EQ(seen, (std::vector<int>{0, 255, 205, 155, 105, 55, 5, 0, kDone}));
  EXPECT_EQ(layered->Alpha(), 0);
  EXPECT_EQ(layered->LayerType(), ltAlphaBlend);
}

// The form is deleted at many different moments of a fast fade: the worker
// must neither reach the freed form (the sanitizers watch) nor hand it
// anything later, and must still end and free itself.
TEST(FadeThread, EndsWithoutTouchingAFormDeletedWhileItRuns) {
  // Each fade logs its delay; a thousand of them say nothing new.
  QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
  for (int round = 0; round < 1000; ++round) {
    SCOPED_TRACE(round);
    auto* form = new QWidget;
    auto* layered = new TLayeredForm(form);
    int levels = 0;
    bool done = false;
    layered->OnAlphaApplied = [&](std::uint8_t) { ++levels; };
    layered->OnFadeInDone = [&](TLayeredForm*) { done = true; };
    QPointer<TFadeThread> thread = new TFadeThread(layered, true, 0, 1);
    thread->start();
    // Let a few levels through now and then, then give the worker a head
    // start of a varying few microseconds.
    if (round % 3 == 0) QCoreApplication::processEvents();
    auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(round % 50 * 10);
    while (std::chrono::steady_clock::now() < until) {
    }
    // The fade may have run to its end already; after the form is gone
    // nothing more may arrive.
    const int levels_before = levels;
    const bool done_before = done;
    delete form;
    ASSERT_TRUE(ProcessEventsUntil([&] { return thread.isNull(); })) << "the thread never ended";
    EXPECT_EQ(levels, levels_before);
    EXPECT_EQ(done, done_before);
  }
  QLoggingCategory::setFilterRules(QString());
}

}  // namespace
}  // namespace parlotto
