// A timer as the program's forms use it: an interval, an enabled switch and a
// handler, repeating until disabled. Enabling a disabled timer, or changing
// the interval of an enabled one, starts the interval anew. Intervals run on
// the scaled clock; handlers run through the dispatch wrapper.
#pragma once

#include <functional>
#include <memory>

class QTimer;

namespace parlotto {

class Timer {
 public:
  explicit Timer(int interval_ms = 1000, bool enabled = true, std::function<void()> on_timer = {});
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  int Interval() const { return interval_ms_; }
  void SetInterval(int ms);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  void SetOnTimer(std::function<void()> on_timer) { on_timer_ = std::move(on_timer); }

 private:
  void Update();

  int interval_ms_;
  bool enabled_;
  std::function<void()> on_timer_;
  std::unique_ptr<QTimer> timer_;
};

}  // namespace parlotto
