// The desktop's audio through QAudioSink, fed in push mode from the audio
// thread. One stream serves the texts of a reading one after the other:
// opening a stream per text costs its set-up and the sound server's start
// at every sentence. A device that fails, goes away or stops taking audio
// ends the utterance with a log line; one that went away ends it at once.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <memory>

#include "xvoice/xvoice_audio/audio_output.h"

class QAudioDevice;

namespace parlotto::xvoice {

// What the output needs of a device: QAudioSink behind it, a fake in tests.
class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // A failure while playing; 0 for none.
  virtual int Error() const = 0;
  virtual std::int64_t BytesFree() const = 0;
  // Bytes accepted, or -1 when the device refused them.
  virtual std::int64_t Write(const QByteArray& pcm) = 0;
  // How much of what was written has been played, since the device opened.
  virtual std::int64_t PlayedUs() const = 0;
  // The device has played everything written and waits for more.
  virtual bool RanOut() const = 0;
  // Drops what is queued, unplayed, and closes the device.
  virtual void Flush() = 0;
  // The sound server lists the device no more (unplugged, its sink unloaded).
  virtual bool Gone() const = 0;
};

// The default device, opened; null with `error` when it would not start.
std::unique_ptr<AudioDevice> OpenSinkDevice(const QAudioDevice& device, int sample_rate,
                                            QString* error);

class DeviceOutput final : public AudioOutput {
 public:
  DeviceOutput(const QAudioDevice& device, int sample_rate);
  DeviceOutput(std::unique_ptr<AudioDevice> device, const QString& name, int sample_rate);
  ~DeviceOutput() override;

  // False when the device would not start; then nothing was played.
  bool started() const { return device_ != nullptr && !failed_; }

  void Feed(PcmStream& stream) override;
  bool Finished(const PcmStream& stream) override;
  std::int64_t PlayedBytes(const PcmStream& stream) const override;
  void Abort() override;
  bool Continues(const AudioTarget& target, int sample_rate) const override;
  void Next() override;

 private:
  void GiveUp(const QString& why);
  // Whether a device that has taken or played nothing for `stalled_ms` is
  // gone; the sound server is asked at most every quarter second.
  bool GoneWhileStalled(std::int64_t stalled_ms);
  // What a device that stopped taking or playing audio is told apart by.
  QString Stalled(const QString& why) const;

  std::unique_ptr<AudioDevice> device_;
  QString device_name_;
  int sample_rate_ = 0;
  std::int64_t bytes_per_second_ = 0;
  QByteArray pending_;            // taken from the stream, not yet accepted
  std::int64_t written_ = 0;      // since the device opened
  std::int64_t text_start_ = 0;   // written_ when the current text began
  QElapsedTimer since_start_;     // first write of the current text
  QElapsedTimer since_progress_;  // last write the device accepted
  QElapsedTimer since_played_;    // last advance of the device's clock
  QElapsedTimer gone_asked_;      // last time the sound server was asked
  std::int64_t played_us_ = -1;
  bool failed_ = false;
};

}  // namespace parlotto::xvoice
