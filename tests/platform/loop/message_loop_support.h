// Helpers shared by the tests beside this file.
#pragma once

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
#include "platform/loop/timer.h"
#include "platform/loop/window_messages.h"

namespace parlotto {

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
inline bool SpinUntil(const std::function<bool()>& done) {
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

}  // namespace parlotto
