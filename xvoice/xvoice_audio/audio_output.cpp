#include "xvoice/xvoice_audio/audio_output.h"

#include <limits>

#include "xvoice/xvoice_audio/main_thread_log.h"

namespace parlotto::xvoice {
namespace {

constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();

void WriteOrReport(WavWriter& writer, const QByteArray& pcm) {
  if (!writer.is_open() || pcm.isEmpty()) return;
  QString error;
  if (!writer.Write(pcm, &error)) ReportFromAnyThread(QStringLiteral("speech runtime: ") + error);
}

void CloseOrReport(WavWriter& writer) {
  QString error;
  if (writer.is_open() && !writer.Close(&error)) {
    ReportFromAnyThread(QStringLiteral("speech runtime: ") + error);
  }
}

}  // namespace

FileOutput::FileOutput(const QString& path, int sample_rate)
    : path_(path), sample_rate_(sample_rate) {
  QString error;
  if (!writer_.Open(path, sample_rate, &error)) {
    ReportFromAnyThread(QStringLiteral("speech runtime: %1; the audio is dropped").arg(error));
  }
}

void FileOutput::Feed(PcmStream& stream) { WriteOrReport(writer_, stream.Take(kAll)); }

FileOutput::~FileOutput() { CloseOrReport(writer_); }

bool FileOutput::Finished(const PcmStream& stream) {
  if (!stream.drained()) return false;
  QString error;
  if (writer_.is_open() && !writer_.Commit(&error)) {
    ReportFromAnyThread(QStringLiteral("speech runtime: ") + error);
  }
  return true;
}

void FileOutput::Abort() { CloseOrReport(writer_); }

bool FileOutput::Continues(const AudioTarget& target, int sample_rate) const {
  return target.kind == AudioTarget::Kind::kWav && target.path == path_ &&
         sample_rate == sample_rate_ && writer_.StillAt(path_);
}

PacedOutput::PacedOutput(const QString& path, int sample_rate) {
  if (path.isEmpty()) return;
  writer_ = std::make_unique<WavWriter>();
  QString error;
  if (!writer_->Open(path, sample_rate, &error)) {
    ReportFromAnyThread(QStringLiteral("speech runtime: %1").arg(error));
  }
}

void PacedOutput::Feed(PcmStream& stream) {
  if (!clock_.isValid()) clock_.start();
  std::int64_t due = clock_.elapsed() * stream.bytes_per_second() / 1000;
  if (due <= taken_) return;
  QByteArray pcm = stream.Take(static_cast<std::size_t>(due - taken_));
  taken_ += pcm.size();
  if (writer_) WriteOrReport(*writer_, pcm);
}

bool PacedOutput::Finished(const PcmStream& stream) {
  if (!stream.drained() || !clock_.isValid()) return false;
  // Taken no faster than due, so this is also when the last sample plays.
  if (clock_.elapsed() * stream.bytes_per_second() < taken_ * 1000) return false;
  if (writer_) CloseOrReport(*writer_);
  return true;
}

void PacedOutput::Abort() {
  if (writer_) CloseOrReport(*writer_);
}

}  // namespace parlotto::xvoice
