#include "browsersvr/browser_pages/request_policy.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace parlotto::browser {
namespace {

bool IsLocal(const QUrl& url) { return url.scheme() == QLatin1String("file"); }

// Schemes whose content the engine makes itself: they read no file and
// reach no other machine.
bool StaysInside(const QUrl& url) {
  const QString scheme = url.scheme();
  return scheme == QLatin1String("data") || scheme == QLatin1String("blob") ||
         scheme == QLatin1String("about");
}

// A regular file in the page's folder or below, found where its real path
// lies (a link out of the folder does not count) and hidden nowhere on the
// way down.
bool BelongsToPage(const QString& page_file, const QString& target_file) {
  const QFileInfo page(page_file);
  const QFileInfo target(target_file);
  const QString page_path = page.canonicalFilePath();
  const QString target_path = target.canonicalFilePath();
  if (page_path.isEmpty() || target_path.isEmpty() || !target.isFile()) return false;
  if (target_path == page_path) return true;
  const QString relative = QDir(page.canonicalPath()).relativeFilePath(target_path);
  if (relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative)) return false;
  for (const QString& step : relative.split(QLatin1Char('/'))) {
    if (step.startsWith(QLatin1Char('.'))) return false;
  }
  return true;
}

}  // namespace

bool MayLoad(const QUrl& page, const PageRequest& request) {
  const QUrl& target = request.target;
  if (StaysInside(target)) return true;
  const bool local_page = IsLocal(page);
  if (IsLocal(target)) {
    // Only the page the client opened from a file has files of its own.
    if (!local_page || request.kind == RequestKind::kOther) return false;
    return BelongsToPage(page.toLocalFile(), target.toLocalFile());
  }
  // Everything else leaves the machine or may: closed to local documents.
  return !local_page && !IsLocal(request.first_party) && !IsLocal(request.initiator);
}

}  // namespace parlotto::browser
