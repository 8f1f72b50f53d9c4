#include "browsersvr/request_guard.h"

#include <QWebEngineUrlRequestInfo>
#include <utility>

#include "browsersvr/browser_pages/request_policy.h"
#include "platform/places/diagnostics.h"

namespace parlotto::browser {
namespace {

RequestKind KindOf(QWebEngineUrlRequestInfo::ResourceType type) {
  switch (type) {
    case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
    case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
      return RequestKind::kDocument;
    case QWebEngineUrlRequestInfo::ResourceTypeStylesheet:
    case QWebEngineUrlRequestInfo::ResourceTypeScript:
    case QWebEngineUrlRequestInfo::ResourceTypeImage:
    case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
    case QWebEngineUrlRequestInfo::ResourceTypeMedia:
    case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
      return RequestKind::kPart;
    default:
      return RequestKind::kOther;
  }
}

}  // namespace

void RequestGuard::SetPage(const QUrl& page) {
  page_ = page;
  reported_ = false;
}

bool RequestGuard::AllowsMove(const QUrl& url) const {
  return MayLoad(page_, {url, RequestKind::kDocument, page_, page_});
}

void RequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
  const PageRequest request{info.requestUrl(), KindOf(info.resourceType()), info.firstPartyUrl(),
                            info.initiator()};
  if (MayLoad(page_, request)) return;
  info.block(true);
  if (std::exchange(reported_, true)) return;
  ReportDiagnostic("the page " + page_.toDisplayString().toStdString() + " may not load " +
                   request.target.toDisplayString().toStdString() +
                   " (further refusals of this page go unreported)");
}

}  // namespace parlotto::browser
