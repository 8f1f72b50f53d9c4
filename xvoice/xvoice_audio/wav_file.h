// WAV files of 16-bit stereo PCM that grow utterance by utterance: the
// first use of a path in this process starts the file anew, later uses
// append. The header is brought up to date when an utterance ends, so the
// file is complete whenever an end event has been sent.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace parlotto::xvoice {

inline constexpr int kWavHeaderSize = 44;

class WavWriter {
 public:
  // Opens `path` for one utterance; false with `error` when it cannot be
  // written.
  bool Open(const QString& path, int sample_rate, QString* error);
  bool Write(const QByteArray& pcm, QString* error);
  // Brings the header up to date and hands everything to the system, so
  // that the file is complete as it stands; stays open for more.
  bool Commit(QString* error);
  // Writes the header and closes; false with `error` on failure.
  bool Close(QString* error);
  bool is_open() const { return file_.isOpen(); }
  // Whether `path` still names the open file: it may have been removed or
  // replaced since, and then the next utterance must start it anew.
  bool StillAt(const QString& path) const;

 private:
  bool WriteHeader(QString* error);
  bool ReportError(const QString& what, QString* error);

  QFile file_;
  int sample_rate_ = 0;
  std::int64_t data_bytes_ = 0;
};

}  // namespace parlotto::xvoice
