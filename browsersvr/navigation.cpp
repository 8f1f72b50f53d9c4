#include "browsersvr/navigation.h"

#include <QFileInfo>

namespace parlotto::browser {

QUrl AddressOf(const QString& name) {
  const QString trimmed = name.trimmed();
  if (trimmed.isEmpty()) return {};
  const QFileInfo file(trimmed);
  if (file.exists()) return QUrl::fromLocalFile(file.absoluteFilePath());
  const QUrl address = QUrl::fromUserInput(trimmed);
  return address.isValid() ? address : QUrl();
}

QString ConnectingText(const QUrl& address) {
  // A local file has no host to connect to.
  if (address.host().isEmpty()) return QStringLiteral("Webseite wird geöffnet...");
  return QStringLiteral("Verbindung mit %1 wird hergestellt...").arg(address.host());
}

QString LoadingText(int percent) {
  return QStringLiteral("Webseite wird geladen (%1 %)...").arg(percent);
}

QString DoneText() { return QStringLiteral("Fertig"); }

}  // namespace parlotto::browser
