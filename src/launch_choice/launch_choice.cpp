#include "launch_choice/launch_choice.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeType>
#include <QRegularExpression>
#include <QUrl>
#include <array>

namespace parlotto {
namespace {

struct TypeSwitch {
  const char* mime;
  const char* switch_name;
};

// Tried in order against the type and its ancestors. HTML and RTF come
// before text/plain, which both inherit from in the MIME database.
constexpr std::array kTypeSwitches{
    TypeSwitch{"application/pdf", "-pdf"},
    TypeSwitch{"application/msword", "-doc"},
    TypeSwitch{"application/vnd.openxmlformats-officedocument.wordprocessingml.document", "-doc"},
    TypeSwitch{"application/vnd.openxmlformats-officedocument.wordprocessingml.template", "-doc"},
    TypeSwitch{"application/vnd.ms-word.document.macroenabled.12", "-doc"},
    TypeSwitch{"application/vnd.oasis.opendocument.text", "-doc"},
    TypeSwitch{"application/vnd.oasis.opendocument.text-template", "-doc"},
    TypeSwitch{"text/html", "-html"},
    TypeSwitch{"application/xhtml+xml", "-html"},
    // The text-file source reads RTF itself.
    TypeSwitch{"text/rtf", "-f"},
    TypeSwitch{"application/rtf", "-f"},
    TypeSwitch{"text/plain", "-f"},
};

bool IsOrInherits(const QMimeType& type, const char* name) {
  return type.name() == QLatin1String(name) || type.aliases().contains(QLatin1String(name)) ||
         type.inherits(QLatin1String(name));
}

QString SwitchFor(const QMimeType& type) {
  for (const TypeSwitch& entry : kTypeSwitches) {
    if (IsOrInherits(type, entry.mime)) return QLatin1String(entry.switch_name);
  }
  return {};
}

bool IsWebAddress(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return (scheme == "http" || scheme == "https") && !url.host().isEmpty();
}

}  // namespace

QString SwitchForMimeType(const QString& mime_name) {
  const QMimeType type = QMimeDatabase().mimeTypeForName(mime_name);
  return type.isValid() ? SwitchFor(type) : QString();
}

QStringList ReadableFilePatterns() {
  const QMimeDatabase database;
  QStringList patterns;
  for (const TypeSwitch& entry : kTypeSwitches) {
    patterns += database.mimeTypeForName(QLatin1String(entry.mime)).globPatterns();
  }
  patterns.removeDuplicates();
  return patterns;
}

LaunchChoice ChooseLaunch(const QString& target) {
  if (target.isEmpty()) return {{}, QStringLiteral("Keine Datei angegeben.")};
  QString file = target;
  // Something that starts like "scheme:" and names no file is an address.
  static const QRegularExpression kScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  if (!QFileInfo::exists(target) && kScheme.match(target).hasMatch()) {
    const QUrl url(target);
    if (IsWebAddress(url)) return {{QStringLiteral("-wget"), target}, {}};
    if (!url.isLocalFile()) {
      return {{},
              QStringLiteral("Adressen der Art „%1:“ kann Parlotto nicht lesen.")
                  .arg(target.section(':', 0, 0))};
    }
    file = url.toLocalFile();
  }
  const QFileInfo info(file);
  if (info.isDir()) {
    return {{}, QStringLiteral("„%1“ ist ein Ordner, keine Datei.").arg(file)};
  }
  // A FIFO or a device would hold the look at its contents, and the reading after it.
  if (info.exists() && !info.isFile()) {
    return {{}, QStringLiteral("„%1“ ist keine gewöhnliche Datei.").arg(file)};
  }
  const QMimeDatabase database;
  // A file that is there is judged by its name and contents; a missing one
  // by its name alone.
  const QMimeType type = info.exists()
                             ? database.mimeTypeForFile(info)
                             : database.mimeTypeForFile(file, QMimeDatabase::MatchExtension);
  const QString switch_name = SwitchFor(type);
  if (switch_name.isEmpty()) {
    return {{},
            QStringLiteral("Dateien der Art „%1“ (%2) kann Parlotto nicht vorlesen.")
                .arg(type.comment(), type.name())};
  }
  return {{switch_name, info.absoluteFilePath()}, {}};
}

}  // namespace parlotto
