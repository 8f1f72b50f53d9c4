// The browser server as a client reaches it: the real server process on a
// bus of this test's own, loading pages from web servers of the test's own
// on 127.0.0.1 (another port is another origin), through late-bound calls by
// name as the program makes them.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "contracts/browser/browser_ids.h"
#include "contracts/browser/browser_interfaces.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/dispatch_proxy.h"
#include "platform/com_runtime/late_bound.h"
#include "platform/com_runtime/remote_object.h"
#include "support/local_http_server.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/spin_loop.h"

// Failures show the text, not its UTF-16 units.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace parlotto::browser {
namespace {

using testing::LocalHttpServer;
using testing::ScopedEnv;
using testing::ScratchDir;

// Keeps the test's own web servers answering while it waits.
bool SpinUntil(const std::function<bool()>& done, int limit_ms = 20000) {
  return testing::SpinUntil(done, limit_ms);
}

std::string ErrorDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) != S_OK) return {};
  BSTR description;
  info->GetDescription(&description);
  return description.toStdString();
}

class BrowserServerTest : public ::testing::Test {
 protected:
  BrowserServerTest()
      : system_env_("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system"),
        linger_env_("PARLOTTO_BROWSER_LINGER_MS", "200") {
    CoInitialize(nullptr);
    EXPECT_EQ(RegisterBrowserInterfaces(), S_OK);
  }
  ~BrowserServerTest() override {
    browser_.Reset();
    CoUninitialize();
  }

  void CreateBrowser() {
    ASSERT_EQ(CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IWebBrowser2, browser_.ReceiveVoid()),
              S_OK);
    ASSERT_EQ(PutProperty(browser_.Get(), "Visible", VARIANT::Bool(false)), S_OK);
  }

  // As the program calls it: flags, frame and post data empty, headers left out.
  HRESULT Navigate(const QString& address) {
    return CallMethod(
        browser_.Get(), "Navigate2",
        {VARIANT::Bstr(address), VARIANT(), VARIANT(), VARIANT(), VARIANT::Missing()});
  }

  bool Busy() {
    VARIANT busy;
    EXPECT_EQ(GetProperty(browser_.Get(), "Busy", &busy), S_OK);
    return busy.boolVal != VARIANT_FALSE;
  }

  QString StatusText() {
    VARIANT text;
    EXPECT_EQ(GetProperty(browser_.Get(), "StatusText", &text), S_OK);
    return text.bstrVal;
  }

  // Waits for the end of loading; the status texts seen on the way, in order.
  std::vector<QString> Load(const QString& address) {
    std::vector<QString> seen;
    EXPECT_EQ(Navigate(address), S_OK);
    EXPECT_TRUE(SpinUntil([&] {
      const bool busy = Busy();
      const QString text = StatusText();
      if (seen.empty() || seen.back() != text) seen.push_back(text);
      return !busy;
    }));
    return seen;
  }

  static ComPtr<IDispatch> Object(IDispatch* from, const char* property, HRESULT* hr = nullptr) {
    VARIANT value;
    const HRESULT result = GetProperty(from, property, &value);
    if (hr != nullptr) *hr = result;
    return DispatchOf(value);
  }

  // The object answers `iid`, as a client asks it before using it.
  static ComPtr<IDispatch> As(const ComPtr<IDispatch>& object, const IID& iid) {
    ComPtr<IDispatch> typed;
    if (!object || FAILED(object->QueryInterface(iid, typed.ReceiveVoid()))) return {};
    return typed;
  }

  ComPtr<IDispatch> Document() {
    return As(Object(browser_.Get(), "Document"), IID_IHTMLDocument2);
  }

  static int FrameCount(IDispatch* document) {
    VARIANT length;
    EXPECT_EQ(GetProperty(Object(document, "frames").Get(), "length", &length), S_OK);
    return length.lVal;
  }

  // The document of frame `index`, or the failure of the step that failed.
  static ComPtr<IDispatch> FrameDocument(IDispatch* document, unsigned index, HRESULT* hr) {
    VARIANT item;
    VARIANT position;
    position.vt = VT_UI4;  // the program passes an unsigned index
    position.lVal = static_cast<std::int32_t>(index);
    *hr = CallMethod(Object(document, "frames").Get(), "item", {position}, &item);
    if (FAILED(*hr)) return {};
    ComPtr<IDispatch> window = As(DispatchOf(item), IID_IHTMLWindow2);
    if (!window) {
      *hr = E_NOINTERFACE;
      return {};
    }
    return As(Object(window.Get(), "document", hr), IID_IHTMLDocument2);
  }

  static QString BodyText(IDispatch* document, HRESULT* hr = nullptr) {
    ComPtr<IDispatch> body = As(Object(document, "body"), IID_IHTMLElement);
    VARIANT text;
    const HRESULT result = body ? GetProperty(body.Get(), "outerText", &text) : E_POINTER;
    if (hr != nullptr) *hr = result;
    return text.bstrVal;
  }

  ScopedEnv system_env_;
  ScopedEnv linger_env_;
  LocalHttpServer web_;
  ComPtr<IDispatch> browser_;
};

TEST_F(BrowserServerTest, LoadsAPageReportingInGermanAndGivesOnlyItsRenderedText) {
  const QByteArray page(
      "<html><head><title>Titel</title><style>p { color: red }</style></head><body>"
      "<p>Sichtbarer Absatz</p><script>var geheim = 'Skripttext';</script>"
      "<div style=\"display:none\">Versteckt</div><p hidden>Auch versteckt</p>"
      "<img src=\"/langsam.png\"><p>Letzter Absatz</p></body></html>");
  // The page comes late enough for the first look at the status to see the
  // connection being made; a picture that comes later still keeps it loading.
  web_.Serve(QStringLiteral("/seite.html"), page, "text/html; charset=utf-8", 1000);
  web_.Serve(QStringLiteral("/langsam.png"), "", "image/png", 1500);
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());

  VARIANT visible;
  ASSERT_EQ(GetProperty(browser_.Get(), "Visible", &visible), S_OK);
  EXPECT_EQ(visible.boolVal, VARIANT_FALSE);
  ASSERT_EQ(PutProperty(browser_.Get(), "Visible", VARIANT::Bool(true)), S_OK);
  ASSERT_EQ(GetProperty(browser_.Get(), "Visible", &visible), S_OK);
  EXPECT_EQ(visible.boolVal, VARIANT_TRUE);  // stored, though nothing is shown
  VARIANT window;
  ASSERT_EQ(GetProperty(browser_.Get(), "HWND", &window), S_OK);
  EXPECT_EQ(window.lVal, 0);  // no window of the desktop can be the hidden page's
  // Before any address, the page is an empty one.
  EXPECT_EQ(BodyText(Document().Get()), QString());

  ASSERT_EQ(Navigate(web_.Url(QStringLiteral("/seite.html"))), S_OK);
  EXPECT_TRUE(Busy());
  EXPECT_EQ(StatusText(), QStringLiteral("Verbindung mit 127.0.0.1 wird hergestellt..."));
  std::vector<QString> seen;
  ASSERT_TRUE(SpinUntil([&] {
    seen.push_back(StatusText());
    return !Busy();
  }));
  EXPECT_EQ(StatusText(), QStringLiteral("Fertig"));
  const QRegularExpression loading(
      QStringLiteral("^Webseite wird geladen \\(\\d{1,2} %\\)\\.\\.\\.$"));
  EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [&](const QString& text) {
    return loading.match(text).hasMatch();
  })) << seen.front().toStdString();

  ComPtr<IDispatch> document = Document();
  ASSERT_TRUE(document);
  EXPECT_EQ(FrameCount(document.Get()), 0);
  HRESULT hr = E_FAIL;
  const QString text = BodyText(document.Get(), &hr);
  ASSERT_EQ(hr, S_OK);
  EXPECT_TRUE(text.contains(QStringLiteral("Sichtbarer Absatz"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Letzter Absatz"))) << text.toStdString();
  for (const char* absent : {"Titel", "color", "Skripttext", "Versteckt", "Auch versteckt"}) {
    EXPECT_FALSE(text.contains(QLatin1String(absent))) << absent;
  }
}

TEST_F(BrowserServerTest, ReadsEachOfThreeFramesAndTheFramesOfANestedFrameset) {
  web_.Serve(QStringLiteral("/rahmen.html"),
             "<html><body><p>Außen</p><iframe src=\"/eins.html\"></iframe>"
             "<iframe src=\"/gestell.html\"></iframe><iframe src=\"/drei.html\"></iframe>"
             "</body></html>");
  web_.Serve(QStringLiteral("/eins.html"), "<html><body>Rahmen eins</body></html>");
  web_.Serve(QStringLiteral("/drei.html"),
             "<html><body>Rahmen drei<script>document.write('')</script></body></html>");
  web_.Serve(QStringLiteral("/gestell.html"),
             "<html><frameset cols=\"50%,50%\"><frame src=\"/links.html\">"
             "<frame src=\"/rechts.html\"></frameset></html>");
  web_.Serve(QStringLiteral("/links.html"), "<html><body>Links</body></html>");
  web_.Serve(QStringLiteral("/rechts.html"), "<html><body>Rechts</body></html>");
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  const std::vector<QString> seen = Load(web_.Url(QStringLiteral("/rahmen.html")));
  EXPECT_EQ(seen.back(), QStringLiteral("Fertig"));

  ComPtr<IDispatch> page = Document();
  ASSERT_TRUE(page);
  ASSERT_EQ(FrameCount(page.Get()), 3);
  HRESULT hr = E_FAIL;
  ComPtr<IDispatch> first = FrameDocument(page.Get(), 0, &hr);
  ASSERT_EQ(hr, S_OK);
  EXPECT_EQ(BodyText(first.Get()), QStringLiteral("Rahmen eins"));
  ComPtr<IDispatch> third = FrameDocument(page.Get(), 2, &hr);
  ASSERT_EQ(hr, S_OK);
  EXPECT_EQ(BodyText(third.Get()), QStringLiteral("Rahmen drei"));

  // A frameset's body is the frameset, which has no text of its own; its
  // frames are the frames of that frame's document.
  ComPtr<IDispatch> frameset = FrameDocument(page.Get(), 1, &hr);
  ASSERT_EQ(hr, S_OK);
  EXPECT_EQ(BodyText(frameset.Get(), &hr), QString());
  EXPECT_EQ(hr, S_OK);
  ASSERT_EQ(FrameCount(frameset.Get()), 2);
  EXPECT_EQ(BodyText(FrameDocument(frameset.Get(), 0, &hr).Get()), QStringLiteral("Links"));
  EXPECT_EQ(BodyText(FrameDocument(frameset.Get(), 1, &hr).Get()), QStringLiteral("Rechts"));

  // An index past the end is no frame.
  FrameDocument(page.Get(), 3, &hr);
  EXPECT_EQ(hr, DISP_E_BADINDEX);
}

TEST_F(BrowserServerTest, AFrameOfAnotherOriginIsDeniedWithAReasonWhileTheOthersRead) {
  LocalHttpServer other;
  other.Serve(QStringLiteral("/fremd.html"), "<html><body>Fremder Text</body></html>");
  web_.Serve(QStringLiteral("/gemischt.html"),
             QStringLiteral("<html><body><iframe src=\"/eigen.html\"></iframe>"
                            "<iframe src=\"%1\"></iframe></body></html>")
                 .arg(other.Url(QStringLiteral("/fremd.html")))
                 .toUtf8());
  web_.Serve(QStringLiteral("/eigen.html"), "<html><body>Eigener Text</body></html>");
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  Load(web_.Url(QStringLiteral("/gemischt.html")));

  ComPtr<IDispatch> page = Document();
  ASSERT_EQ(FrameCount(page.Get()), 2);
  HRESULT hr = E_FAIL;
  EXPECT_EQ(BodyText(FrameDocument(page.Get(), 0, &hr).Get()), QStringLiteral("Eigener Text"));
  EXPECT_FALSE(FrameDocument(page.Get(), 1, &hr));
  EXPECT_EQ(hr, E_ACCESSDENIED);
  EXPECT_NE(ErrorDescription().find("Zugriff verweigert"), std::string::npos);
}

TEST_F(BrowserServerTest, AFailedLoadLeavesAGermanPageThatSaysWhatFailedAndWhere) {
  web_.Redirect(QStringLiteral("/hin"), "/her");
  web_.Redirect(QStringLiteral("/her"), "/hin");
  web_.Serve(QStringLiteral("/leer"), "");
  const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(testing::UnusedPort());
  const QString loop = web_.Url(QStringLiteral("/hin"));
  const QString failed = QStringLiteral("Die Seite %1 konnte nicht geladen werden: %2");
  struct Case {
    QString address;
    QString text;
  };
  const Case cases[] = {
      {refused, failed.arg(refused, QStringLiteral("Der Server hat die Verbindung abgelehnt."))},
      {loop, failed.arg(loop, QStringLiteral("Die Seite leitet in einer Endlosschleife weiter."))},
      // A server's own page for an error is read as it is.
      {web_.Url(QStringLiteral("/fehlt")), QStringLiteral("nicht gefunden")},
  };
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address.toStdString());
    EXPECT_EQ(Load(c.address).back(), QStringLiteral("Fertig"));
    ComPtr<IDispatch> document = Document();
    EXPECT_EQ(BodyText(document.Get()), c.text);
    EXPECT_EQ(FrameCount(document.Get()), 0);
    // The next page that loads is read again.
    Load(web_.Url(QStringLiteral("/leer")));
    EXPECT_EQ(BodyText(Document().Get()), QString());
  }
}

TEST_F(BrowserServerTest, AServerThatNeverAnswersIsStoppedAfterTheLoadLimit) {
  ScopedEnv limit("PARLOTTO_BROWSER_LOAD_MS", "700");
  web_.Silence();
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  ASSERT_EQ(Navigate(web_.Url(QStringLiteral("/still.html"))), S_OK);
  EXPECT_TRUE(Busy());
  EXPECT_TRUE(SpinUntil([&] { return !Busy(); }, 15000));
  EXPECT_EQ(StatusText(), QStringLiteral("Fertig"));
  EXPECT_TRUE(
      BodyText(Document().Get()).endsWith(QStringLiteral("nicht rechtzeitig geantwortet.")));
}

TEST_F(BrowserServerTest, ALocalFileIsLoadedByItsNameAndAnEarlierDocumentIsThenGone) {
  ScratchDir dir;
  testing::WriteFile(dir.File("lokal.html"),
                     "<html><body><p>Von der Platte</p><a name=\"unten\"></a></body></html>");
  web_.Serve(QStringLiteral("/erste.html"), "<html><body>Erste Seite</body></html>");
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  Load(web_.Url(QStringLiteral("/erste.html")));
  ComPtr<IDispatch> earlier = Document();
  ComPtr<IDispatch> earlier_body = Object(earlier.Get(), "body");
  ASSERT_TRUE(earlier_body);

  const std::vector<QString> seen = Load(QString::fromStdString(dir.File("lokal.html")));
  // A file may be loaded before the first look at the status.
  EXPECT_TRUE(seen.front() == QStringLiteral("Webseite wird geöffnet...") ||
              seen == std::vector<QString>{QStringLiteral("Fertig")})
      << seen.front().toStdString();
  EXPECT_EQ(BodyText(Document().Get()), QStringLiteral("Von der Platte"));

  // A jump within the page loads nothing, and ends all the same.
  const QString anchor =
      QUrl::fromLocalFile(QString::fromStdString(dir.File("lokal.html"))).toString() +
      QStringLiteral("#unten");
  ASSERT_EQ(Navigate(anchor), S_OK);
  EXPECT_TRUE(SpinUntil([&] { return !Busy(); }, 5000));
  EXPECT_EQ(StatusText(), QStringLiteral("Fertig"));

  VARIANT text;
  EXPECT_EQ(GetProperty(earlier_body.Get(), "outerText", &text), RPC_E_DISCONNECTED);
  HRESULT hr = S_OK;
  EXPECT_FALSE(Object(earlier.Get(), "body", &hr));
  EXPECT_EQ(hr, RPC_E_DISCONNECTED);

  // Neither a file nor an address; and a name must be text.
  EXPECT_EQ(Navigate(QStringLiteral("  ")), E_INVALIDARG);
  EXPECT_EQ(CallMethod(browser_.Get(), "Navigate2", {VARIANT::I4(3)}), DISP_E_TYPEMISMATCH);
}

// A hostile file opened from the disk tries every way to read another file
// and to send it to a listener of the test's: nothing arrives, nothing of
// the other file is read, and the page's own parts beside it still work.
TEST_F(BrowserServerTest, ALocalPageReadsNoOtherFileAndReachesNoNetwork) {
  ScratchDir dir;
  testing::WriteFile(dir.File("privat.txt"), "Streng geheim");
  const std::string secret = "file://" + dir.File("privat.txt");
  const std::string site = dir.File("seite");
  std::filesystem::create_directories(site + "/seite_files");
  testing::WriteFile(site + "/seite_files/stil.css", ".weg { display: none }");
  testing::WriteFile(site + "/rahmen.html", "<html><body>Rahmen nebenan.</body></html>");
  LocalHttpServer listener;
  const std::string away = listener.Url(QStringLiteral("/weg")).toStdString();
  const std::string ws = "ws://127.0.0.1:" + std::to_string(listener.port()) + "/weg";
  const std::string page =
      "<html><head><link rel=stylesheet href=seite_files/stil.css>"
      "<link rel=stylesheet href='" +
      away + ".css'><link rel=prefetch href='" + away +
      "'>"
      "</head><body><p>Hallo Seite.</p><p class=weg>Versteckt.</p>"
      "<iframe src=rahmen.html></iframe><iframe src='" +
      secret +
      "'></iframe>"
      "<img src='" +
      away + ".png'><form id=f action='" + away +
      "' method=post target=z>"
      "<input name=a value=b></form><iframe name=z></iframe><script>"
      "function show(t) { document.body.append(' ' + t); }"
      "fetch('" +
      secret +
      "').then(r => r.text()).then(show, () => {});"
      "var x = new XMLHttpRequest(); x.onload = () => show(x.responseText);"
      "try { x.open('GET', '" +
      secret +
      "'); x.send(); } catch (e) {}"
      "fetch('" +
      away +
      "').catch(() => {});"
      "try { new WebSocket('" +
      ws +
      "'); } catch (e) {}"
      "navigator.sendBeacon('" +
      away +
      "', 'x');"
      "window.open('" +
      away +
      "');"
      "if (navigator.serviceWorker) navigator.serviceWorker.register('sw.js').catch(() => {});"
      "document.getElementById('f').submit();"
      "setTimeout(() => { location.href = '" +
      away +
      "'; }, 200);"
      "</script></body></html>";
  testing::WriteFile(site + "/seite.html", page);

  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  Load(QString::fromStdString(site + "/seite.html"));
  // Long enough for every channel to have tried.
  SpinUntil([] { return false; }, 1500);
  EXPECT_EQ(listener.Connections(), 0);

  ComPtr<IDispatch> document = Document();
  EXPECT_EQ(BodyText(document.Get()).trimmed(), QStringLiteral("Hallo Seite."));
  ASSERT_EQ(FrameCount(document.Get()), 3);
  HRESULT hr = E_FAIL;
  EXPECT_EQ(BodyText(FrameDocument(document.Get(), 0, &hr).Get()),
            QStringLiteral("Rahmen nebenan."));
  ComPtr<IDispatch> other = FrameDocument(document.Get(), 1, &hr);
  if (other) {
    EXPECT_FALSE(BodyText(other.Get()).contains(QStringLiteral("geheim")));
  }

  // Nor does a page from the web reach the disk.
  web_.Serve(QStringLiteral("/fern.html"),
             QByteArray::fromStdString("<html><body>Fern.<iframe src='" + secret +
                                       "'></iframe><script>"
                                       "fetch('" +
                                       secret +
                                       "').then(r => r.text()).then(t => document.body.append(t),"
                                       " () => {});</script></body></html>"));
  Load(web_.Url(QStringLiteral("/fern.html")));
  SpinUntil([] { return false; }, 500);
  document = Document();
  EXPECT_EQ(BodyText(document.Get()).trimmed(), QStringLiteral("Fern."));
  other = FrameDocument(document.Get(), 0, &hr);
  if (other) {
    EXPECT_FALSE(BodyText(other.Get()).contains(QStringLiteral("geheim")));
  }
}

TEST_F(BrowserServerTest, ALongTextIsCutAtTheLimitWithoutSplittingACharacter) {
  ScopedEnv limit("PARLOTTO_BROWSER_TEXT_LIMIT", "5");
  // "abcd", then a character of two UTF-16 units that the limit would split.
  web_.Serve(QStringLiteral("/lang.html"), "<html><body>abcd\xF0\x9F\x98\x80xyz</body></html>");
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  Load(web_.Url(QStringLiteral("/lang.html")));
  EXPECT_EQ(BodyText(Document().Get()), QStringLiteral("abcd"));
}

TEST_F(BrowserServerTest,
       APageThatNeverAnswersFailsTheCallAfterTheLimitAndTheServerAnswersMeanwhile) {
  ScopedEnv limit("PARLOTTO_BROWSER_SCRIPT_MS", "1500");
  // Loaded first, then its scripts never give the engine back.
  web_.Serve(QStringLiteral("/haengt.html"),
             "<html><body>Hängt<script>addEventListener('load', () => setTimeout(() => "
             "{ for (;;) {} }, 0));</script></body></html>");
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  Load(web_.Url(QStringLiteral("/haengt.html")));
  ComPtr<IDispatch> document = Document();

  // The body asked without waiting for the answer, then another call while
  // the server waits for the page.
  ComPtr<IUnknown> remote;
  ASSERT_EQ(document->QueryInterface(IID_IRemoteObject, remote.ReceiveVoid()), S_OK);
  QDBusMessage call;
  ASSERT_EQ(MakeInvokeCall(*static_cast<RemoteObject*>(remote.Get()), DISPID_HTMLDocument_body,
                           DISPATCH_PROPERTYGET, DISPPARAMS{}, &call, nullptr),
            S_OK);
  QDBusPendingCall body = ComConnection().asyncCall(call, 20000);
  SpinUntil([] { return false; }, 300);
  EXPECT_EQ(StatusText(), QStringLiteral("Fertig"));
  EXPECT_FALSE(body.isFinished());
  ASSERT_TRUE(SpinUntil([&] { return body.isFinished(); }));
  EXPECT_TRUE(body.isError());

  HRESULT hr = S_OK;
  EXPECT_FALSE(Object(document.Get(), "body", &hr));
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_NE(ErrorDescription().find("antwortet nicht"), std::string::npos);
}

TEST_F(BrowserServerTest, TheServerEndsSoonAfterItsLastObjectIsGone) {
  ASSERT_NO_FATAL_FAILURE(CreateBrowser());
  const QString name = ClassServiceName(CLSID_InternetExplorer);
  const int pid = static_cast<int>(ComConnection().interface()->servicePid(name).value());
  ASSERT_GT(pid, 0);
  web_.Serve(QStringLiteral("/kurz.html"), "<html><body>Kurz</body></html>");
  Load(web_.Url(QStringLiteral("/kurz.html")));
  ComPtr<IDispatch> document = Document();
  browser_.Reset();
  // The document alone keeps it.
  SpinUntil([] { return false; }, 600);
  EXPECT_EQ(kill(pid, 0), 0);
  document.Reset();
  EXPECT_TRUE(SpinUntil([&] { return kill(pid, 0) != 0; }, 10000));
}

}  // namespace
}  // namespace parlotto::browser
