// A client process for the runtime's tests, in one of two parts:
//   --forward <clsid>  creates an object of <clsid> (served by the test),
//                      passes it on to the test server as its sink, says
//                      "forwarded" and waits;
//   --sink <clsid>     creates the <clsid> server object (an ITestServer
//                      served by the test), registers a sink of its own with
//                      it, says "ready" and waits; the sink prints each Idle
//                      as "idle <object id> <start>".
// It waits holding everything until it is killed (or stopped, to play a
// client that never answers).
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/events_sink_base.h"

namespace {

using namespace parlotto;

class PrintingSink final : public testing::EventsSinkBase {
 public:
  using EventsSinkBase::EventsSinkBase;

  HRESULT Idle(LONG object_id, LONG start) override {
    std::printf("idle %d %d\n", static_cast<int>(object_id), static_cast<int>(start));
    std::fflush(stdout);
    return S_OK;
  }
};

int Fail(const char* what, HRESULT hr) {
  std::printf("failed %s %s\n", what, DescribeHResult(hr).c_str());
  std::fflush(stdout);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  CoInitialize(nullptr);
  if (argc != 3 || FAILED(RegisterTestInterfaces())) return 2;
  CLSID clsid;
  if (!GuidFromString(argv[2], &clsid)) return 2;

  ComPtr<IUnknown> object;
  ComPtr<ITestServer> server;
  LONG sink_id = 0;
  if (std::strcmp(argv[1], "--forward") == 0) {
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, object.ReceiveVoid());
    if (FAILED(hr)) return Fail("create", hr);
    hr = CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                          server.ReceiveVoid());
    if (FAILED(hr)) return Fail("server", hr);
    hr = server->Register(object.Get(), &sink_id);
    if (FAILED(hr)) return Fail("register", hr);
    std::printf("forwarded\n");
  } else if (std::strcmp(argv[1], "--sink") == 0) {
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_ITestServer,
                                  server.ReceiveVoid());
    if (FAILED(hr)) return Fail("create", hr);
    auto* sink = new PrintingSink(nullptr);
    object = ComPtr<IUnknown>(sink->InnerUnknown());
    hr = server->Register(object.Get(), &sink_id);
    if (FAILED(hr)) return Fail("register", hr);
    std::printf("ready\n");
  } else {
    return 2;
  }
  std::fflush(stdout);
  return app.exec();
}
