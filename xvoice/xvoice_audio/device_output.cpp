#include "xvoice/xvoice_audio/device_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <algorithm>
#include <atomic>

#include "xvoice/xvoice_audio/main_thread_log.h"

namespace parlotto::xvoice {
namespace {

// About half a second buffered at the device: enough to ride out a busy
// moment of the audio thread. A stop drops it, so it does not delay one.
constexpr int kBufferMs = 500;
// A device that takes nothing for this long counts as gone.
constexpr int kStallMs = 5000;
// A stall this long asks the sound server whether the device is still
// there, again at this interval: a removed device ends the text at once,
// not after kStallMs of silence. A playing device is asked seldom if ever:
// only one that takes its audio in large blocks pauses this long.
constexpr int kGoneCheckMs = 250;
constexpr int kRanDryMs = 20;

// Whether the last device would not start, so that it is reported once.
std::atomic<bool> g_start_failed{false};

// The sound server's clock, never ahead of real time: a server that reads
// ahead in large blocks (a null sink, for one) consumes audio before it
// could have been heard, and its clock and its run-out say so.
class SinkDevice final : public AudioDevice {
 public:
  SinkDevice(std::unique_ptr<QAudioSink> sink, QIODevice* io, const QByteArray& id, int sample_rate)
      : sink_(std::move(sink)),
        io_(io),
        id_(id),
        bytes_per_second_(std::int64_t{sample_rate} * kBytesPerFrame) {}
  ~SinkDevice() override { sink_->stop(); }

  int Error() const override { return static_cast<int>(sink_->error()); }
  std::int64_t BytesFree() const override { return sink_->bytesFree(); }
  std::int64_t Write(const QByteArray& pcm) override {
    std::int64_t accepted = io_->write(pcm);
    if (accepted > 0) {
      if (!since_first_write_.isValid()) since_first_write_.start();
      written_ += accepted;
    }
    return accepted;
  }
  std::int64_t PlayedUs() const override {
    return std::min<std::int64_t>(sink_->processedUSecs(), RealTimeUs());
  }
  // Idle after audio was written: the sound server ran out of it.
  bool RanOut() const override {
    return sink_->state() == QAudio::IdleState &&
           RealTimeUs() >= written_ * 1'000'000 / bytes_per_second_;
  }
  // Closing the stream drops what the sound server still holds of it.
  void Flush() override { sink_->reset(); }
  // The sink reports no error when its stream is killed with the device;
  // only the list of devices tells.
  bool Gone() const override {
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    return std::none_of(outputs.begin(), outputs.end(),
                        [this](const QAudioDevice& output) { return output.id() == id_; });
  }

 private:
  std::int64_t RealTimeUs() const {
    return since_first_write_.isValid() ? since_first_write_.nsecsElapsed() / 1000 : 0;
  }

  std::unique_ptr<QAudioSink> sink_;
  QIODevice* io_;  // owned by sink_
  QByteArray id_;
  std::int64_t bytes_per_second_;
  std::int64_t written_ = 0;
  QElapsedTimer since_first_write_;
};

}  // namespace

std::unique_ptr<AudioDevice> OpenSinkDevice(const QAudioDevice& device, int sample_rate,
                                            QString* error) {
  QAudioFormat format;
  format.setSampleRate(sample_rate);
  format.setChannelCount(kChannels);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!device.isFormatSupported(format)) {
    *error = QStringLiteral("does not play 16-bit stereo at %1 Hz").arg(sample_rate);
    return nullptr;
  }
  auto sink = std::make_unique<QAudioSink>(device, format);
  sink->setBufferSize(
      static_cast<qsizetype>(std::int64_t{sample_rate} * kBytesPerFrame * kBufferMs / 1000));
  QIODevice* io = sink->start();
  if (io == nullptr || sink->error() != QAudio::NoError) {
    *error = QStringLiteral("would not start (error %1)").arg(static_cast<int>(sink->error()));
    sink->stop();
    return nullptr;
  }
  return std::make_unique<SinkDevice>(std::move(sink), io, device.id(), sample_rate);
}

DeviceOutput::DeviceOutput(const QAudioDevice& device, int sample_rate)
    : device_name_(device.description()),
      sample_rate_(sample_rate),
      bytes_per_second_(std::int64_t{sample_rate} * kBytesPerFrame) {
  QString error;
  device_ = OpenSinkDevice(device, sample_rate, &error);
  if (!device_) {
    // Every text of a reading meets the same broken device: say it once.
    if (!g_start_failed.exchange(true)) GiveUp(error);
    failed_ = true;
    return;
  }
  g_start_failed = false;
  since_progress_.start();
}

DeviceOutput::DeviceOutput(std::unique_ptr<AudioDevice> device, const QString& name,
                           int sample_rate)
    : device_(std::move(device)),
      device_name_(name),
      sample_rate_(sample_rate),
      bytes_per_second_(std::int64_t{sample_rate} * kBytesPerFrame) {
  failed_ = device_ == nullptr;
  since_progress_.start();
}

DeviceOutput::~DeviceOutput() = default;

void DeviceOutput::Feed(PcmStream& stream) {
  if (failed_) {
    stream.Take(static_cast<std::size_t>(-1));  // dropped, so the stream can end
    return;
  }
  if (device_->Error() != 0) {
    GiveUp(QStringLiteral("failed while playing (error %1)").arg(device_->Error()));
    return;
  }
  if (pending_.isEmpty()) {
    std::int64_t room = device_->BytesFree();
    if (room > 0) pending_ = stream.Take(static_cast<std::size_t>(room));
  }
  if (!pending_.isEmpty()) {
    std::int64_t accepted = device_->Write(pending_);
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
    GiveUp(Stalled(QStringLiteral("took no audio for %1 s").arg(kStallMs / 1000)));
  } else if (GoneWhileStalled(since_progress_.elapsed())) {
    GiveUp(QStringLiteral("is gone"));
  }
}

bool DeviceOutput::Finished(const PcmStream& stream) {
  if (failed_) return true;
  if (!stream.drained() || !pending_.isEmpty()) return false;
  if (written_ == text_start_) return true;
  // Played: the device's clock has passed the text's last sample, or it
  // ran out of audio. Reported at once, so that the next text follows
  // with no more pause than its sentence end brings.
  std::int64_t total_us = written_ * 1'000'000 / bytes_per_second_;
  std::int64_t played_us = device_->PlayedUs();
  if (played_us >= total_us) return true;
  // A device whose clock stands still, or crawls, must not hold the
  // speech for ever.
  if (played_us != played_us_) {
    played_us_ = played_us;
    since_played_.restart();
  } else if (device_->RanOut() && since_played_.elapsed() >= kRanDryMs) {
    // It ran dry, so all that was written has played. Its state can still
    // tell of a run-out before the last write (a starved feeder), so only a
    // clock that has stood still as well is believed.
    return true;
  } else if (since_played_.elapsed() > kStallMs) {
    GiveUp(Stalled(QStringLiteral("stopped playing")));
    return true;
  } else if (GoneWhileStalled(since_played_.elapsed())) {
    GiveUp(QStringLiteral("is gone"));
    return true;
  }
  std::int64_t text_us = (written_ - text_start_) * 1'000'000 / bytes_per_second_;
  if (since_start_.elapsed() > 2 * text_us / 1000 + kStallMs) {
    GiveUp(QStringLiteral("plays far slower than real time"));
    return true;
  }
  return false;
}

std::int64_t DeviceOutput::PlayedBytes(const PcmStream& stream) const {
  // A failed device drops the audio; nothing is heard that could wait.
  if (failed_) return stream.taken();
  // The device's clock, from the start of this text: what the listener
  // hears now, not what was handed to the sound server.
  std::int64_t played = device_->PlayedUs() * bytes_per_second_ / 1'000'000 - text_start_;
  return std::clamp<std::int64_t>(played, 0, written_ - text_start_);
}

void DeviceOutput::Abort() {
  pending_.clear();
  if (device_) device_->Flush();
  failed_ = true;  // closed: the next text opens the device anew
}

bool DeviceOutput::Continues(const AudioTarget& target, int sample_rate) const {
  return !failed_ && target.kind == AudioTarget::Kind::kDefault && sample_rate == sample_rate_;
}

void DeviceOutput::Next() {
  text_start_ = written_;
  since_start_.invalidate();
  since_progress_.restart();
  played_us_ = -1;
}

bool DeviceOutput::GoneWhileStalled(std::int64_t stalled_ms) {
  if (stalled_ms < kGoneCheckMs) return false;
  if (gone_asked_.isValid() && gone_asked_.elapsed() < kGoneCheckMs) return false;
  gone_asked_.start();
  return device_->Gone();
}

QString DeviceOutput::Stalled(const QString& why) const {
  return device_->Gone() ? QStringLiteral("is gone") : why;
}

void DeviceOutput::GiveUp(const QString& why) {
  if (failed_) return;
  failed_ = true;
  ReportFromAnyThread(QStringLiteral("speech runtime: audio device \"%1\" %2; the speech ends here")
                          .arg(device_name_, why));
  if (device_) device_->Flush();
}

}  // namespace parlotto::xvoice
