// Holds every request of one page to the request policy: the engine asks it
// before anything is loaded, WebSockets included.
#pragma once

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

namespace parlotto::browser {

class RequestGuard final : public QWebEngineUrlRequestInterceptor {
 public:
  // The address the client navigated to; set before the engine loads it.
  void SetPage(const QUrl& page);

  // Whether the page may move itself or a frame to `url`: asked before the
  // request, so that a refused move leaves the page as it was instead of an
  // error page in its place.
  bool AllowsMove(const QUrl& url) const;

  void interceptRequest(QWebEngineUrlRequestInfo& info) override;

 private:
  QUrl page_;
  bool reported_ = false;  // one line per navigation: a page may try thousands
};

}  // namespace parlotto::browser
