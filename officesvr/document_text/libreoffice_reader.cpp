#include "officesvr/document_text/libreoffice_reader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "officesvr/document_text/converter_process.h"
#include "officesvr/document_text/plain_text_reader.h"
#include "text_formats/text_decoder.h"

namespace parlotto::office {
namespace {

DocumentText Failed(DocumentFailure failure, std::string detail) {
  return {failure, {}, std::move(detail)};
}

}  // namespace

DocumentText ConvertWithLibreOffice(const std::string& file_name, const DocumentLimits& limits) {
  const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
  if (soffice.isEmpty()) {
    return Failed(DocumentFailure::kUnsupportedFormat, "no reader for this format");
  }
  const QTemporaryDir work;
  if (!work.isValid()) return Failed(DocumentFailure::kDamaged, "no temporary directory");
  const QString profile = QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString();
  const QString out_dir = work.filePath(QStringLiteral("out"));
  const ConverterRun run = RunConverter(
      soffice.toStdString(),
      {"--headless", "--norestore", "-env:UserInstallation=" + profile.toStdString(),
       "--convert-to", "txt:Text (encoded):UTF8", "--outdir", out_dir.toStdString(), file_name},
      limits.converter_time, limits.max_text);
  if (run.outcome == ConverterRun::Outcome::kTimedOut) {
    return Failed(DocumentFailure::kDamaged, "LibreOffice ran out of time");
  }
  // It names the text after the document, in the output directory.
  QFile converted(QDir(out_dir).filePath(
      QFileInfo(QString::fromStdString(file_name)).completeBaseName() + QStringLiteral(".txt")));
  if (run.outcome != ConverterRun::Outcome::kFinished || !converted.open(QIODevice::ReadOnly)) {
    return Failed(DocumentFailure::kUnsupportedFormat, "LibreOffice could not convert the file");
  }
  if (converted.size() > static_cast<qint64>(limits.max_text)) {
    return Failed(DocumentFailure::kTooLarge, "the text exceeds the limit");
  }
  DecodedText decoded = DecodePlainText(converted.readAll().toStdString());
  return {DocumentFailure::kNone, ToWordLineEnds(decoded.text), {}};
}

}  // namespace parlotto::office
