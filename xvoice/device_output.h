// The desktop's audio through QAudioSink, fed in push mode from the audio
// thread. A device that fails, goes away or stops taking audio ends the
// utterance with a log line.
#pragma once

#include <QAudioDevice>
#include <QByteArray>
#include <QElapsedTimer>
#include <QIODevice>
#include <cstdint>
#include <memory>

#include "xvoice/audio_output.h"

class QAudioSink;

namespace parlotto::xvoice {

class DeviceOutput final : public AudioOutput {
 public:
  DeviceOutput(const QAudioDevice& device, int sample_rate);
  ~DeviceOutput() override;

  // False when the device would not start; then nothing was played.
  bool started() const { return sink_ != nullptr && io_ != nullptr && !failed_; }

  void Feed(PcmStream& stream) override;
  bool Finished(const PcmStream& stream) override;
  void Abort() override;

 private:
  void GiveUp(const QString& why);

  std::unique_ptr<QAudioSink> sink_;
  QIODevice* io_ = nullptr;  // owned by sink_
  QString device_name_;
  std::int64_t bytes_per_second_ = 0;
  QByteArray pending_;  // taken from the stream, not yet accepted
  std::int64_t written_ = 0;
  QElapsedTimer since_start_;     // first write
  QElapsedTimer since_progress_;  // last write the device accepted
  QElapsedTimer since_played_;    // last advance of the device's clock
  qint64 played_us_ = -1;
  bool failed_ = false;
};

}  // namespace parlotto::xvoice
