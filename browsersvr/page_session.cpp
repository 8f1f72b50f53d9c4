#include "browsersvr/page_session.h"

#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <cstdlib>
#include <utility>

#include "browsersvr/browser_pages/load_failure.h"
#include "browsersvr/browser_pages/navigation.h"

namespace parlotto::browser {
namespace {

// The pages' console is theirs: the server's log is for the server.
class QuietPage final : public QWebEnginePage {
 public:
  QuietPage(QWebEngineProfile* profile, const RequestGuard* guard)
      : QWebEnginePage(profile), guard_(guard) {}

 protected:
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                const QString&) override {}
  // The client's own navigation goes; what the page starts must be allowed.
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool) override {
    return type == NavigationTypeTyped || guard_->AllowsMove(url);
  }

 private:
  const RequestGuard* guard_;
};

int PositiveFromEnvironment(const char* variable, int fallback) {
  if (const char* value = std::getenv(variable)) {
    char* end = nullptr;
    const long number = std::strtol(value, &end, 10);
    if (end != value && *end == '\0' && number > 0 && number <= 1'000'000'000) {
      return static_cast<int>(number);
    }
  }
  return fallback;
}

FailureDomain DomainOf(QWebEngineLoadingInfo::ErrorDomain domain) {
  switch (domain) {
    case QWebEngineLoadingInfo::ConnectionErrorDomain:
      return FailureDomain::kConnection;
    case QWebEngineLoadingInfo::CertificateErrorDomain:
      return FailureDomain::kCertificate;
    case QWebEngineLoadingInfo::HttpErrorDomain:
      return FailureDomain::kHttp;
    case QWebEngineLoadingInfo::FtpErrorDomain:
      return FailureDomain::kFtp;
    case QWebEngineLoadingInfo::DnsErrorDomain:
      return FailureDomain::kDns;
    case QWebEngineLoadingInfo::HttpStatusCodeDomain:
      return FailureDomain::kHttpStatus;
    case QWebEngineLoadingInfo::NoErrorDomain:
    case QWebEngineLoadingInfo::InternalErrorDomain:
      break;
  }
  return FailureDomain::kInternal;
}

// At most `limit` UTF-16 units, never half of a surrogate pair.
QString Bounded(const QString& text, int limit) {
  if (text.size() <= limit) return text;
  QString cut = text.left(limit);
  if (!cut.isEmpty() && cut.back().isHighSurrogate()) cut.chop(1);
  return cut;
}

}  // namespace

PageLimits PageLimits::FromEnvironment() {
  PageLimits limits;
  limits.text_units = PositiveFromEnvironment("PARLOTTO_BROWSER_TEXT_LIMIT", limits.text_units);
  limits.script_ms = PositiveFromEnvironment("PARLOTTO_BROWSER_SCRIPT_MS", limits.script_ms);
  limits.load_ms = PositiveFromEnvironment("PARLOTTO_BROWSER_LOAD_MS", limits.load_ms);
  return limits;
}

PageSession::PageSession(QWebEngineProfile* profile, PageLimits limits)
    : limits_(limits),
      page_(std::make_unique<QuietPage>(profile, &guard_)),
      load_limit_(std::make_unique<QTimer>()) {
  // Nothing of the page may reach the desktop: no sound, no new windows.
  page_->setAudioMuted(true);
  page_->setUrlRequestInterceptor(&guard_);
  // The engine reports the end of a load before it tells why it failed:
  // the loading info, which tells both, decides.
  connect(page_.get(), &QWebEnginePage::loadingChanged, this, &PageSession::LoadingChanged);
  connect(page_.get(), &QWebEnginePage::loadProgress, this, &PageSession::Progressed);
  connect(page_.get(), &QWebEnginePage::urlChanged, this, &PageSession::UrlChanged);
  load_limit_->setSingleShot(true);
  // Stopping ends the load as failed, which ends Busy.
  connect(load_limit_.get(), &QTimer::timeout, this, [this] {
    limit_stopped_ = true;
    page_->triggerAction(QWebEnginePage::Stop);
  });
}

PageSession::~PageSession() = default;

void PageSession::Navigate(const QUrl& address) {
  ++navigation_;
  busy_ = true;
  started_ = false;
  arrived_ = false;
  limit_stopped_ = false;
  address_ = address;
  failure_.clear();
  status_text_ = ConnectingText(address);
  const QUrl current = page_->url();
  same_document_ =
      address.hasFragment() && address != current &&
              address.adjusted(QUrl::RemoveFragment) == current.adjusted(QUrl::RemoveFragment)
          ? address
          : QUrl();
  load_limit_->start(limits_.load_ms);
  guard_.SetPage(address);
  page_->load(address);
}

void PageSession::UrlChanged(const QUrl& url) {
  if (busy_ && started_) arrived_ = true;
  if (busy_ && !started_ && !same_document_.isEmpty() && url == same_document_) End();
}

void PageSession::Progressed(int percent) {
  // 0 comes before anything arrived: the connection is still being made.
  if (busy_ && started_ && percent > 0 && percent < 100) {
    arrived_ = true;
    status_text_ = LoadingText(percent);
  }
}

void PageSession::LoadingChanged(const QWebEngineLoadingInfo& info) {
  if (!busy_) return;
  if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
    started_ = true;
    return;
  }
  if (!started_) return;
  // A server's own page for an error status is a page like any other; the
  // engine's page in place of one that never came is not.
  if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.isErrorPage()) {
    failure_ = LoadFailureText(address_, {DomainOf(info.errorDomain()), info.errorCode()});
  } else if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus && limit_stopped_ &&
             !arrived_) {
    // Otherwise the page before would be read as this address's.
    failure_ = LoadFailureText(address_, kNoTimelyAnswer);
  }
  End();
}

void PageSession::End() {
  busy_ = false;
  load_limit_->stop();
  status_text_ = DoneText();
}

FrameAnswer PageSession::FailureAnswer(const FramePath& path, FrameQuestion question) const {
  FrameAnswer answer;
  answer.status = path.empty() ? FrameAnswer::Status::kAnswered : FrameAnswer::Status::kNoSuchFrame;
  answer.has_body = true;
  if (question == FrameQuestion::kBodyText) answer.text = Bounded(failure_, limits_.text_units);
  return answer;
}

void PageSession::Ask(const FramePath& path, FrameQuestion question, AnswerHandler handler) {
  if (!failure_.isEmpty()) {
    QTimer::singleShot(0, this,
                       [answer = FailureAnswer(path, question), handler = std::move(handler)] {
                         handler(answer);
                       });
    return;
  }
  // Whichever comes first answers: the page, or the limit for a page whose
  // scripts never give the engine back.
  auto pending = std::make_shared<AnswerHandler>(std::move(handler));
  auto answer = [pending](const FrameAnswer& given) {
    if (AnswerHandler handler = std::exchange(*pending, nullptr)) handler(given);
  };
  page_->runJavaScript(FrameScript(path, question, limits_.text_units),
                       QWebEngineScript::ApplicationWorld,
                       [answer](const QVariant& result) { answer(ReadFrameAnswer(result)); });
  QTimer::singleShot(limits_.script_ms, this, [answer] { answer(FrameAnswer{}); });
}

}  // namespace parlotto::browser
