#include "xvoice/device_output.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <atomic>

#include "xvoice/main_thread_log.h"

namespace parlotto::xvoice {
namespace {

// About half a second buffered at the device: enough to ride out a busy
// moment of the audio thread, little enough to stop promptly.
constexpr int kBufferMs = 500;
// A device that takes nothing for this long counts as gone.
constexpr int kStallMs = 5000;

// Whether the last device would not start, so that it is reported once.
std::atomic<bool> g_start_failed{false};

}  // namespace

DeviceOutput::DeviceOutput(const QAudioDevice& device, int sample_rate)
    : device_name_(device.description()),
      bytes_per_second_(std::int64_t{sample_rate} * kBytesPerFrame) {
  QAudioFormat format;
  format.setSampleRate(sample_rate);
  format.setChannelCount(kChannels);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!device.isFormatSupported(format)) {
    GiveUp(QStringLiteral("does not play 16-bit stereo at %1 Hz").arg(sample_rate));
    return;
  }
  sink_ = std::make_unique<QAudioSink>(device, format);
  sink_->setBufferSize(static_cast<qsizetype>(bytes_per_second_ * kBufferMs / 1000));
  io_ = sink_->start();
  if (io_ == nullptr || sink_->error() != QAudio::NoError) {
    // Every text of a reading meets the same broken device: say it once.
    if (!g_start_failed.exchange(true)) {
      GiveUp(QStringLiteral("would not start (error %1)").arg(static_cast<int>(sink_->error())));
    }
    failed_ = true;
    return;
  }
  g_start_failed = false;
  since_progress_.start();
}

DeviceOutput::~DeviceOutput() {
  if (sink_) sink_->stop();
}

void DeviceOutput::Feed(PcmStream& stream) {
  if (failed_) {
    stream.Take(static_cast<std::size_t>(-1));  // dropped, so the stream can end
    return;
  }
  if (sink_->error() != QAudio::NoError) {
    GiveUp(QStringLiteral("failed while playing (error %1)").arg(static_cast<int>(sink_->error())));
    return;
  }
  if (pending_.isEmpty()) {
    qsizetype room = sink_->bytesFree();
    if (room > 0) pending_ = stream.Take(static_cast<std::size_t>(room));
  }
  if (!pending_.isEmpty()) {
    qint64 accepted = io_->write(pending_);
    if (accepted < 0) {
      GiveUp(QStringLiteral("refused the audio"));
      return;
    }
    if (accepted > 0) {
      if (!since_start_.isValid()) {
        since_start_.start();
        since_played_.start();
      }
      written_ += accepted;
      pending_.remove(0, static_cast<qsizetype>(accepted));
      since_progress_.restart();
    }
  }
  if (pending_.isEmpty() && stream.available() == 0) {
    since_progress_.restart();  // nothing waiting: no stall to measure
  } else if (since_progress_.elapsed() > kStallMs) {
    GiveUp(QStringLiteral("took no audio for %1 s").arg(kStallMs / 1000));
  }
}

bool DeviceOutput::Finished(const PcmStream& stream) {
  if (failed_) return true;
  if (!stream.drained() || !pending_.isEmpty()) return false;
  if (written_ == 0) return true;
  // Played: the device's clock has passed the last sample, or it ran out
  // of audio.
  std::int64_t total_us = written_ * 1'000'000 / bytes_per_second_;
  qint64 played_us = sink_->processedUSecs();
  if (played_us >= total_us || sink_->state() == QAudio::IdleState) {
    sink_->stop();
    return true;
  }
  // A device whose clock stands still, or crawls, must not hold the
  // speech for ever.
  if (played_us != played_us_) {
    played_us_ = played_us;
    since_played_.restart();
  } else if (since_played_.elapsed() > kStallMs) {
    GiveUp(QStringLiteral("stopped playing"));
    return true;
  }
  if (since_start_.elapsed() > 2 * total_us / 1000 + kStallMs) {
    GiveUp(QStringLiteral("plays far slower than real time"));
    return true;
  }
  return false;
}

void DeviceOutput::Abort() {
  if (sink_) sink_->stop();
}

void DeviceOutput::GiveUp(const QString& why) {
  if (failed_) return;
  failed_ = true;
  ReportFromAnyThread(QStringLiteral("speech runtime: audio device \"%1\" %2; the speech ends here")
                          .arg(device_name_, why));
  if (sink_) sink_->stop();
}

}  // namespace parlotto::xvoice
