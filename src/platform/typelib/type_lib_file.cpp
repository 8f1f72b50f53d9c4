#include "platform/typelib/type_lib_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/places/diagnostics.h"
#include "platform/typelib/elf_section.h"
#include "platform/typelib/type_lib.h"
#include "platform/typelib/type_model.h"

namespace parlotto {
namespace {

const char kOwnExecutable[] = "/proc/self/exe";

HRESULT RefuseFile(HRESULT hr, const QString& file, const QString& problem) {
  ReportDiagnostic(QStringLiteral("type library %1: %2").arg(file, problem).toStdString());
  return hr;
}

// Splits "<file>/<n>" when <file> exists and the whole path does not.
bool SplitResourceId(const QString& path, QString* file, int* resource_id) {
  static const QRegularExpression pattern(QStringLiteral("^(.+)[/\\\\]([0-9]{1,5})$"));
  QRegularExpressionMatch match = pattern.match(path);
  if (!match.hasMatch() || !QFileInfo(match.captured(1)).isFile()) return false;
  int id = match.captured(2).toInt();
  if (id < 1 || id > 0xFFFF) return false;
  *file = match.captured(1);
  *resource_id = id;
  return true;
}

HRESULT ReadDescription(const QString& path, int resource_id, QByteArray* text) {
  using typelib::ElfStatus;
  using typelib::kMaxDescriptionBytes;
  QFileInfo info(path);
  // Devices and pipes could block or never end.
  if (!info.isFile()) return RefuseFile(TYPE_E_CANTLOADLIBRARY, path, QStringLiteral("not a file"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return RefuseFile(TYPE_E_CANTLOADLIBRARY, path,
                      QStringLiteral("cannot be read: ") + file.errorString());
  }
  if (typelib::IsElf(file.peek(4))) {
    QString problem;
    QByteArray contents;
    ElfStatus status = typelib::ReadElfSection(&file, TypeLibSectionName(resource_id),
                                               kMaxDescriptionBytes, &contents, &problem);
    switch (status) {
      case ElfStatus::kFound:
        break;
      case ElfStatus::kTooLarge:
        return RefuseFile(TYPE_E_INVDATAREAD, path, problem);
      default:
        return RefuseFile(TYPE_E_CANTLOADLIBRARY, path, problem);
    }
    // Alignment may pad the section with zeros; JSON never ends in one.
    while (contents.endsWith('\0')) contents.chop(1);
    *text = contents;
    return S_OK;
  }
  if (resource_id != 1) {
    return RefuseFile(TYPE_E_CANTLOADLIBRARY, path,
                      QStringLiteral("only ELF files hold numbered libraries"));
  }
  if (static_cast<std::size_t>(file.size()) > kMaxDescriptionBytes) {
    return RefuseFile(
        TYPE_E_INVDATAREAD, path,
        QStringLiteral("the file has %1 bytes, more than the %2 a description may have")
            .arg(file.size())
            .arg(kMaxDescriptionBytes));
  }
  *text = file.readAll();
  if (static_cast<qint64>(text->size()) != file.size()) {
    return RefuseFile(TYPE_E_CANTLOADLIBRARY, path,
                      QStringLiteral("the file could not be read whole"));
  }
  return S_OK;
}

}  // namespace

QByteArray TypeLibSectionName(int resource_id) {
  return resource_id == 1 ? QByteArray(".typelib") : ".typelib." + QByteArray::number(resource_id);
}

HRESULT ReadTypeLibDescription(const QString& file, QByteArray* text) {
  if (text == nullptr) return E_INVALIDARG;
  QString path = file;
  int resource_id = 1;
  // The window system answers a missing file with TYPE_E_CANTLOADLIBRARY
  // too, so callers need not tell the two apart.
  if (!QFileInfo::exists(file) && !SplitResourceId(file, &path, &resource_id)) {
    return RefuseFile(TYPE_E_CANTLOADLIBRARY, file, QStringLiteral("no such file"));
  }
  return ReadDescription(path, resource_id, text);
}

HRESULT ReadOwnTypeLibDescription(QByteArray* text, int resource_id) {
  if (text == nullptr || resource_id < 1 || resource_id > 0xFFFF) return E_INVALIDARG;
  return ReadDescription(QString::fromLatin1(kOwnExecutable), resource_id, text);
}

QString OwnExecutablePath() {
  return QFileInfo(QString::fromLatin1(kOwnExecutable)).canonicalFilePath();
}

HRESULT LoadTypeLib(const QString& file, ITypeLib** lib) {
  if (lib == nullptr) return E_INVALIDARG;
  *lib = nullptr;
  QByteArray text;
  HRESULT hr = ReadTypeLibDescription(file, &text);
  if (FAILED(hr)) return hr;
  return typelib::LoadTypeLibText(text, file, lib);
}

}  // namespace parlotto
