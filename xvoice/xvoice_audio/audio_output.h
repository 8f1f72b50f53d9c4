// Ways of playing one utterance's audio, driven by the audio thread's tick.
// Every output ends: a failure is reported once and counts as the end, so
// that the end event always comes.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <memory>

#include "xvoice/xvoice_audio/audio_target.h"
#include "xvoice/xvoice_audio/pcm_stream.h"
#include "xvoice/xvoice_audio/wav_file.h"

namespace parlotto::xvoice {

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Takes from `stream` what may be played by now.
  virtual void Feed(PcmStream& stream) = 0;
  // True once the finished stream's audio has been played, or playing
  // failed. Called after Feed.
  virtual bool Finished(const PcmStream& stream) = 0;
  // How much of the current utterance's audio has been heard by now, in
  // bytes from its start. A file has it as soon as it is written; the
  // paced outputs take the audio no faster than it plays.
  virtual std::int64_t PlayedBytes(const PcmStream& stream) const { return stream.taken(); }
  // Stops at once, dropping what is queued: the utterance was dropped.
  virtual void Abort() {}
  // Whether the next utterance, to `target` at `sample_rate`, may go
  // through this output too (after Finished); Next then starts it.
  virtual bool Continues(const AudioTarget& /*target*/, int /*sample_rate*/) const { return false; }
  virtual void Next() {}
};

// wav:PATH: everything written as soon as it comes; finished when the
// file is complete. The file stays open for the next utterance to the same
// path: a reading writes one piece after the other, and opening the file
// for each cost more than writing it.
class FileOutput final : public AudioOutput {
 public:
  FileOutput(const QString& path, int sample_rate);
  ~FileOutput() override;
  void Feed(PcmStream& stream) override;
  bool Finished(const PcmStream& stream) override;
  void Abort() override;
  bool Continues(const AudioTarget& target, int sample_rate) const override;

 private:
  QString path_;
  int sample_rate_;
  WavWriter writer_;
};

// null, and default without a device: audio taken at the pace it would
// play, into a WAV file when `path` is given. Real time, not the program's
// scaled clock: scaling shortens fixed waits, not the length of speech.
class PacedOutput final : public AudioOutput {
 public:
  PacedOutput(const QString& path, int sample_rate);
  void Feed(PcmStream& stream) override;
  bool Finished(const PcmStream& stream) override;
  void Abort() override;

 private:
  std::unique_ptr<WavWriter> writer_;
  QElapsedTimer clock_;
  std::int64_t taken_ = 0;
};

}  // namespace parlotto::xvoice
