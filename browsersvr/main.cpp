// BrowserSvr: the browser server. Started by the object runtime when a client
// creates the web browser's application class; loads pages out of sight,
// gives their rendered text, and ends a few seconds after its last object is
// gone. A process of its own, so that the reading program never loads the
// web engine and a page that brings the engine down takes only this along.
#include <unistd.h>

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QWebEngineProfile>
#include <cstdlib>
#include <string>

#include "browsersvr/browser_objects.h"
#include "contracts/browser/browser_ids.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/server_lifetime.h"
#include "platform/loop/termination_signals.h"
#include "platform/places/diagnostics.h"

#if defined(__SANITIZE_ADDRESS__)
// The engine's own library frees some of its objects through a base of
// another size; that is not ours to mend, everything else is still checked.
extern "C" const char* __asan_default_options() {  // NOLINT(readability-identifier-naming)
  return "new_delete_type_mismatch=0";
}
#endif

namespace {

void PrepareEngine() {
  // The engine's sandbox refuses to start as root (containers, test
  // machines); its pages are still kept apart in their own processes.
  if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  // The page is never shown: no display is needed, nor a GPU to paint for one.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string flags = "--disable-gpu";
  if (const char* given = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS")) {
    flags = std::string(given) + " " + flags;
  }
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.c_str(), 1);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace parlotto;
  IgnoreBrokenPipes();
  PrepareEngine();
  // The runtime appends -Embedding; Qt need not see it.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  (void)argc;
  QGuiApplication app(qt_argc, qt_argv);
  // The engine lists its start parameters on every start.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

  if (FAILED(CoInitialize(nullptr))) return 2;
  // Off the record: nothing of the pages (cookies, cache) is kept on disk.
  int result = 2;
  {
    QWebEngineProfile profile;
    ComPtr<IClassFactory> factory(new browser::BrowserClassFactory(&profile));
    result = ServeClassObject(browser::CLSID_InternetExplorer, factory.Get(),
                              "PARLOTTO_BROWSER_LINGER_MS", "browser server");
  }
  CoUninitialize();
  return result;
}
