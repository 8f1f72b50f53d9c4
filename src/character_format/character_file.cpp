#include "character_format/character_file.h"

#include <QFile>
#include <QFileInfo>

#include "character_format/character_archive.h"

namespace parlotto::agent {

std::optional<Character> LoadCharacterFile(const QString& path, QString* error) {
  const auto refuse = [error](const QString& reason) {
    if (error != nullptr) *error = reason;
    return std::nullopt;
  };
  // A pipe or a device has no size to check and might never end.
  const QFileInfo info(path);
  if (!info.isFile()) return refuse(QStringLiteral("%1 is not a file").arg(path));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return refuse(QStringLiteral("%1 cannot be opened: %2").arg(path, file.errorString()));
  }
  if (file.size() > character_limits::kMaxFileBytes) {
    return refuse(QStringLiteral("%1 is larger than %2 bytes")
                      .arg(path)
                      .arg(character_limits::kMaxFileBytes));
  }
  // One byte more than the size allows: a file that grew since is refused.
  const QByteArray bytes = file.read(file.size() + 1);
  if (bytes.size() != file.size()) {
    return refuse(QStringLiteral("%1 changed while it was read").arg(path));
  }
  return ReadCharacterArchive(bytes, error);
}

}  // namespace parlotto::agent
