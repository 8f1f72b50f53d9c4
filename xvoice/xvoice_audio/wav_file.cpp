#include "xvoice/xvoice_audio/wav_file.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

#include "xvoice/xvoice_audio/pcm_stream.h"

namespace parlotto::xvoice {
namespace {

constexpr std::int64_t kMaxChunk = 0xFFFFFFFFLL - 36;

// Paths this process has written, which it appends to.
bool FirstUse(const QString& path) {
  static std::mutex mutex;
  static std::set<QString> started;
  std::lock_guard<std::mutex> lock(mutex);
  return started.insert(QFileInfo(path).absoluteFilePath()).second;
}

QByteArray Header(int sample_rate, std::int64_t data_bytes) {
  // A file longer than the format can say keeps the largest size.
  auto data = static_cast<std::uint32_t>(std::min(data_bytes, kMaxChunk));
  QByteArray header(kWavHeaderSize, '\0');
  char* h = header.data();
  auto put32 = [&](int at, std::uint32_t v) { qToLittleEndian<std::uint32_t>(v, h + at); };
  auto put16 = [&](int at, std::uint16_t v) { qToLittleEndian<std::uint16_t>(v, h + at); };
  // The chunk tags are four bytes without a terminator.
  auto tag = [&](int at, const char(&text)[5]) { std::copy_n(text, 4, h + at); };
  tag(0, "RIFF");
  put32(4, 36 + data);
  tag(8, "WAVE");
  tag(12, "fmt ");
  put32(16, 16);
  put16(20, 1);  // PCM
  put16(22, kChannels);
  put32(24, static_cast<std::uint32_t>(sample_rate));
  put32(28, static_cast<std::uint32_t>(sample_rate * kBytesPerFrame));
  put16(32, kBytesPerFrame);
  put16(34, 16);
  tag(36, "data");
  put32(40, data);
  return header;
}

}  // namespace

bool WavWriter::Open(const QString& path, int sample_rate, QString* error) {
  sample_rate_ = sample_rate;
  data_bytes_ = 0;
  if (path.isEmpty()) return ReportError(QStringLiteral("no WAV file named"), error);
  file_.setFileName(path);
  QDir().mkpath(QFileInfo(path).absolutePath());
  // Only a file this process started, in this very format, is appended
  // to; anything else is started anew.
  bool append = !FirstUse(path) && file_.exists();
  if (append && file_.open(QIODevice::ReadWrite)) {
    QByteArray head = file_.read(kWavHeaderSize);
    QByteArray expected = Header(sample_rate, 0);
    bool same_format = head.size() == kWavHeaderSize && head.left(4) == expected.left(4) &&
                       head.mid(8, 28) == expected.mid(8, 28) && head.mid(36, 4) == "data";
    if (same_format) {
      data_bytes_ = std::max<std::int64_t>(0, file_.size() - kWavHeaderSize);
      data_bytes_ -= data_bytes_ % kBytesPerFrame;
      if (file_.seek(kWavHeaderSize + data_bytes_)) return true;
    }
    file_.close();
  }
  data_bytes_ = 0;
  if (!file_.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
    return ReportError(QStringLiteral("cannot write"), error);
  }
  // A header at once, so that a file read before the end is a valid WAV.
  return WriteHeader(error) && file_.seek(kWavHeaderSize);
}

bool WavWriter::Write(const QByteArray& pcm, QString* error) {
  if (!file_.isOpen()) return false;
  if (file_.write(pcm) != pcm.size()) return ReportError(QStringLiteral("write failed"), error);
  data_bytes_ += pcm.size();
  return true;
}

bool WavWriter::Commit(QString* error) {
  if (!file_.isOpen()) return false;
  if (!WriteHeader(error)) return false;
  if (!file_.flush()) return ReportError(QStringLiteral("flush failed"), error);
  return true;
}

bool WavWriter::Close(QString* error) {
  bool ok = Commit(error);
  if (file_.isOpen()) file_.close();
  return ok;
}

bool WavWriter::StillAt(const QString& path) const {
  if (!file_.isOpen()) return false;
  struct stat open_file {};
  struct stat named {};
  return fstat(file_.handle(), &open_file) == 0 &&
         stat(QFile::encodeName(path).constData(), &named) == 0 &&
         open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
}

bool WavWriter::WriteHeader(QString* error) {
  qint64 end = file_.pos();
  if (!file_.seek(0) || file_.write(Header(sample_rate_, data_bytes_)) != kWavHeaderSize) {
    return ReportError(QStringLiteral("cannot write the header"), error);
  }
  return file_.seek(std::max<qint64>(end, kWavHeaderSize));
}

bool WavWriter::ReportError(const QString& what, QString* error) {
  if (error != nullptr) {
    *error =
        QStringLiteral("WAV file \"%1\": %2%3")
            .arg(file_.fileName(), what,
                 file_.errorString().isEmpty() ? QString()
                                               : QStringLiteral(" (%1)").arg(file_.errorString()));
  }
  if (file_.isOpen()) file_.close();
  return false;
}

}  // namespace parlotto::xvoice
