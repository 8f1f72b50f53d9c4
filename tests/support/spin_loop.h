// Running the event loop in a test while it waits: for a condition with a
// deadline, or for a fixed time in which nothing is expected to change.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <functional>

namespace parlotto::testing {

// Whether `done` came true before `limit_ms` had passed.
inline bool SpinUntil(const std::function<bool()>& done, int limit_ms) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done() && elapsed.elapsed() < limit_ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

inline void RunLoopFor(int ms) {
  SpinUntil([] { return false; }, ms);
}

}  // namespace parlotto::testing
