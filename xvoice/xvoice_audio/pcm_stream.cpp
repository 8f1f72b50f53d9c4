#include "xvoice/xvoice_audio/pcm_stream.h"

#include <algorithm>

namespace parlotto::xvoice {

PcmStream::PcmStream(int sample_rate, std::size_t max_buffered)
    : sample_rate_(sample_rate), max_buffered_(std::max<std::size_t>(max_buffered, 1)) {}

bool PcmStream::Append(const char* data, std::size_t size) {
  return Append(QByteArray(data, static_cast<qsizetype>(size)));
}

bool PcmStream::Append(QByteArray pcm) {
  std::unique_lock<std::mutex> lock(mutex_);
  room_.wait(lock, [&] { return cancelled_ || buffered_ < max_buffered_; });
  if (cancelled_) return false;
  if (pcm.isEmpty()) return true;
  buffered_ += static_cast<std::size_t>(pcm.size());
  chunks_.push_back(std::move(pcm));
  return true;
}

void PcmStream::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
}

QByteArray PcmStream::Take(std::size_t max) {
  QByteArray out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    max -= max % kBytesPerFrame;
    std::size_t wanted = std::min(max, buffered_);
    wanted -= wanted % kBytesPerFrame;
    out.reserve(static_cast<qsizetype>(wanted));
    while (wanted > 0) {
      const QByteArray& chunk = chunks_.front();
      std::size_t left = static_cast<std::size_t>(chunk.size()) - front_offset_;
      std::size_t part = std::min(left, wanted);
      out.append(chunk.constData() + front_offset_, static_cast<qsizetype>(part));
      front_offset_ += part;
      wanted -= part;
      buffered_ -= part;
      taken_ += static_cast<std::int64_t>(part);
      if (front_offset_ == static_cast<std::size_t>(chunk.size())) {
        chunks_.pop_front();
        front_offset_ = 0;
      }
    }
  }
  room_.notify_all();
  return out;
}

std::size_t PcmStream::available() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return buffered_ - buffered_ % kBytesPerFrame;
}

std::int64_t PcmStream::taken() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return taken_;
}

bool PcmStream::finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

bool PcmStream::drained() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_ && buffered_ < kBytesPerFrame;
}

void PcmStream::Cancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    chunks_.clear();
    front_offset_ = 0;
    buffered_ = 0;
  }
  room_.notify_all();
}

bool PcmStream::cancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

}  // namespace parlotto::xvoice
