// A local page to its rendered text through the browser server, as the
// web-page source gets it.
//
// page_bench FILE: creates the browser server (its process start included),
// loads FILE, waits until it is no longer busy and takes the body's text.
// Prints
//   page-ms <ms from creating the server to having the text>
//   chars <characters of the text>
// Run by bench/run.sh (P5) on a bus of its own, with the build tree's
// classes.reg.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

#include "contracts/browser/browser_ids.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/late_bound.h"

namespace parlotto {
namespace {

int Run(const char* file) {
  QElapsedTimer clock;
  clock.start();
  ComPtr<IDispatch> browser;
  HRESULT hr = CoCreateInstance(browser::CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, browser.ReceiveVoid());
  if (FAILED(hr)) {
    std::fprintf(stderr, "page_bench: no browser server (0x%08X)\n", static_cast<unsigned>(hr));
    return 1;
  }
  PutProperty(browser.Get(), "Visible", VARIANT::Bool(false));
  if (FAILED(
          CallMethod(browser.Get(), "Navigate2", {VARIANT::Bstr(QString::fromLocal8Bit(file))}))) {
    std::fprintf(stderr, "page_bench: Navigate2 failed\n");
    return 1;
  }
  // Polled more often than the program's 100 ms, so that the figure is the
  // server's and not the polling's.
  for (;;) {
    VARIANT busy;
    if (FAILED(GetProperty(browser.Get(), "Busy", &busy))) return 1;
    if (busy.vt == VT_BOOL && busy.boolVal == VARIANT_FALSE) break;
    QThread::msleep(5);
  }
  VARIANT text;
  ComPtr<IDispatch> body =
      GetObjectProperty(GetObjectProperty(browser.Get(), "Document").Get(), "body");
  if (!body || FAILED(GetProperty(body.Get(), "outerText", &text))) {
    std::fprintf(stderr, "page_bench: no text\n");
    return 1;
  }
  const qint64 ms = clock.elapsed();
  std::printf("page-ms %lld\nchars %lld\n", static_cast<long long>(ms),
              static_cast<long long>(text.bstrVal.size()));
  return 0;
}

}  // namespace
}  // namespace parlotto

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: page_bench FILE\n");
    return 2;
  }
  parlotto::CoInitialize(nullptr);
  const int result = parlotto::Run(argv[1]);
  parlotto::CoUninitialize();
  return result;
}
