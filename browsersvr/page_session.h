// One browser's page: loaded out of sight, its loading state as a browser's
// status bar shows it, and questions about its documents answered by
// scripts. Every object of a browser shares its session; a new navigation
// makes the documents of the earlier one gone. A load that failed leaves a
// page of ours in place of the engine's error page: no frames, and a body
// whose text says in German what failed.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

#include "browsersvr/browser_pages/frame_query.h"
#include "browsersvr/request_guard.h"

class QTimer;
class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;

namespace parlotto::browser {

struct PageLimits {
  // The most text one body gives, in UTF-16 units (PARLOTTO_BROWSER_TEXT_LIMIT).
  int text_units = 16 * 1024 * 1024;
  // How long one question may take (PARLOTTO_BROWSER_SCRIPT_MS).
  int script_ms = 10000;
  // How long a page may load before it is stopped (PARLOTTO_BROWSER_LOAD_MS).
  int load_ms = 60000;

  static PageLimits FromEnvironment();
};

class PageSession : public QObject {
 public:
  PageSession(QWebEngineProfile* profile, PageLimits limits);
  ~PageSession() override;

  // Starts loading; the previous page's documents are gone from now on.
  void Navigate(const QUrl& address);
  bool Busy() const { return busy_; }
  QString StatusText() const { return status_text_; }
  int Navigation() const { return navigation_; }

  using AnswerHandler = std::function<void(const FrameAnswer&)>;
  // Asks the page; `handler` gets the answer from the event loop, or no
  // answer once the script limit has passed, and is called exactly once.
  void Ask(const FramePath& path, FrameQuestion question, AnswerHandler handler);

 private:
  void LoadingChanged(const QWebEngineLoadingInfo& info);
  void Progressed(int percent);
  void UrlChanged(const QUrl& url);
  void End();
  // The answer of the failure page in place of the engine's page.
  FrameAnswer FailureAnswer(const FramePath& path, FrameQuestion question) const;

  const PageLimits limits_;
  // Declared before the page, which uses it until it is gone.
  RequestGuard guard_;
  std::unique_ptr<QWebEnginePage> page_;
  std::unique_ptr<QTimer> load_limit_;
  bool busy_ = false;
  bool started_ = false;  // the navigation's load has begun (earlier loads' ends do not count)
  bool arrived_ = false;  // something of the page came (a stopped load then keeps it)
  bool limit_stopped_ = false;
  QUrl address_;
  QString failure_;  // why this navigation's load failed; empty while it did not
  // A jump within the page: the engine only changes the address, no load
  // starts or finishes.
  QUrl same_document_;
  int navigation_ = 0;
  QString status_text_;
};

}  // namespace parlotto::browser
