// The texts that callers hand over with ReadOfficeText, each read by a new
// instance of the program started for it. They are read one after the other
// in the order they came, never two at once: each text has a file of its own
// and the next instance starts when the last one has ended. A caller can make
// only a few wait, so that no burst of calls starts a crowd of processes.
#pragma once

#include <QProcess>
#include <deque>
#include <memory>
#include <string>

namespace parlotto {

class OfficeReadings {
 public:
  // How many texts may wait behind the one being read.
  static constexpr std::size_t kMaxWaiting = 8;

  static OfficeReadings& Instance();

  // Queues `text` (and puts it in place as "temp.txt" for whoever relies on
  // that file); false with `error` when it cannot be kept or too many wait.
  bool Add(const std::string& text, std::string* error);

  // The texts not yet ended, the one being read included.
  std::size_t Pending() const { return waiting_.size() + (running_ ? 1 : 0); }

 private:
  OfficeReadings() = default;
  void StartNext();
  void Ended();

  std::deque<std::string> waiting_;  // their files
  std::unique_ptr<QProcess> running_;
  std::string running_file_;
};

}  // namespace parlotto
