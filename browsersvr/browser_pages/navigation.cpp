#include "browsersvr/browser_pages/navigation.h"

#include <QFileInfo>

namespace parlotto::browser {

QUrl AddressOf(const QString& name) {
  const QString trimmed = name.trimmed();
  if (trimmed.isEmpty()) return {};
  const QFileInfo file(trimmed);
  QUrl address =
      file.exists() ? QUrl::fromLocalFile(file.absoluteFilePath()) : QUrl::fromUserInput(trimmed);
  // A FIFO would hold an engine thread for ever, and a folder is no page.
  const QFileInfo local(address.toLocalFile());
  if (address.isLocalFile() && local.exists() && !local.isFile()) return {};
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
