// The termination signals: the first reaches its handler on the main thread
// and cuts the end's blocking wait short; any one after it kills at once.
#include "platform/loop/termination_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

namespace parlotto {
namespace {

TEST(TerminationSignalsTest, ASignalReachesTheHandlerAndCutsABlockingWaitShort) {
  int handled = 0;
  OnTerminationSignal([&handled] { ++handled; });
  EXPECT_FALSE(SleepUnlessTerminating(1));

  raise(SIGTERM);
  // Without the signal this would block for ten minutes and say false.
  EXPECT_TRUE(SleepUnlessTerminating(600000));
  // The wait only looks: the handler still comes, from the loop, once.
  EXPECT_EQ(handled, 0);
  QElapsedTimer waited;
  waited.start();
  while (handled == 0 && waited.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  EXPECT_EQ(handled, 1);
}

TEST(TerminationSignalsDeathTest, AnySecondSignalKillsWhileTheFirstIsHandled) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int second : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(second);
    EXPECT_EXIT(
        {
          OnTerminationSignal([second] {
            std::fputs("ending\n", stderr);
            raise(second);
            std::_Exit(3);
          });
          raise(SIGTERM);
          QElapsedTimer waited;
          waited.start();
          while (waited.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            20);
          }
          std::_Exit(4);
        },
        ::testing::KilledBySignal(second), "ending");
  }
}

}  // namespace
}  // namespace parlotto
