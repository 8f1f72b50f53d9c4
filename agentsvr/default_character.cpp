#include "agentsvr/default_character.h"

#include <QDir>

#include "platform/places/places.h"

namespace parlotto::agent {

QString DefaultCharacterFile() {
  QDir chars(QString::fromStdString(SystemDir()) + QStringLiteral("agent/chars"));
  const QStringList files =
      chars.entryList({QStringLiteral("*.ac*")}, QDir::Files | QDir::Readable, QDir::Name);
  return files.isEmpty() ? QString() : chars.filePath(files.first());
}

}  // namespace parlotto::agent
