// Why a page could not be loaded, said the way a German browser's own error
// page says it. The engine's error page is English and full of advice for a
// reader who can click; what a listener needs is what failed and where.
#pragma once

#include <QString>
#include <QUrl>

namespace parlotto::browser {

// The engine's kinds of failure (its error domains), without the engine.
enum class FailureDomain { kInternal, kConnection, kCertificate, kHttp, kFtp, kDns, kHttpStatus };

struct LoadFailure {
  FailureDomain domain = FailureDomain::kInternal;
  // The engine's network error (negative), or the HTTP status for kHttpStatus.
  int code = 0;
};

// What a load that the server stopped itself, before anything arrived, failed of.
inline constexpr LoadFailure kNoTimelyAnswer{FailureDomain::kConnection, -7};

// "Die Seite <address> konnte nicht geladen werden: <reason>"; a local file
// is named by its path, and an address without the user name and password
// it may carry.
QString LoadFailureText(const QUrl& address, const LoadFailure& failure);

}  // namespace parlotto::browser
