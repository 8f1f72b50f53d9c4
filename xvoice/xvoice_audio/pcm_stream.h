// The audio of one utterance on its way from the synthesis thread to the
// audio thread, as interleaved 16-bit stereo frames. The producer waits
// while much is buffered, so that a long text costs little memory.
#pragma once

#include <QByteArray>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace parlotto::xvoice {

inline constexpr int kChannels = 2;
inline constexpr int kBytesPerFrame = kChannels * 2;

class PcmStream {
 public:
  PcmStream(int sample_rate, std::size_t max_buffered);
  PcmStream(const PcmStream&) = delete;
  PcmStream& operator=(const PcmStream&) = delete;

  int sample_rate() const { return sample_rate_; }
  std::int64_t bytes_per_second() const { return std::int64_t{sample_rate_} * kBytesPerFrame; }

  // Producer. Waits for room; false once cancelled, then stop producing.
  bool Append(const char* data, std::size_t size);
  // The same, keeping `pcm` itself (whole frames) rather than a copy.
  bool Append(QByteArray pcm);
  // No more audio will come.
  void Finish();

  // Consumer: up to `max` bytes (whole frames) off the front.
  QByteArray Take(std::size_t max);
  std::size_t available() const;
  // Bytes taken since the start.
  std::int64_t taken() const;
  bool finished() const;
  // Finished and everything taken.
  bool drained() const;

  // Either side: later Appends fail, a waiting producer wakes.
  void Cancel();
  bool cancelled() const;

 private:
  const int sample_rate_;
  const std::size_t max_buffered_;
  mutable std::mutex mutex_;
  std::condition_variable room_;
  std::deque<QByteArray> chunks_;
  std::size_t front_offset_ = 0;  // bytes of chunks_.front() already taken
  std::size_t buffered_ = 0;
  std::int64_t taken_ = 0;
  bool finished_ = false;
  bool cancelled_ = false;
};

}  // namespace parlotto::xvoice
