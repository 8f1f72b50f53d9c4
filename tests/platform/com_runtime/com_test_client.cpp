// A second client for the lifetime tests: it creates a test server object,
// loads its object, says "ready" and then only waits, holding both, until
// it is killed.
#include <QCoreApplication>
#include <cstdio>

#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/test_contract/test_interfaces.h"

int main(int argc, char** argv) {
  using namespace parlotto;
  QCoreApplication app(argc, argv);
  CoInitialize(nullptr);
  if (FAILED(RegisterTestInterfaces())) return 2;
  ComPtr<ITestServer> server;
  HRESULT hr = CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                                server.ReceiveVoid());
  if (FAILED(hr)) {
    std::printf("failed %s\n", DescribeHResult(hr).c_str());
    return 1;
  }
  ComPtr<ITestObject> object;
  if (FAILED(server->Load(VARIANT(), object.Receive()))) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
