// A test against an object of the test server (test_object_server.cpp),
// which the server class's registration starts on demand.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/com/error_info.h"
#include "platform/com_runtime/com_fixture.h"
#include "platform/com_runtime/remote_object.h"
#include "platform/com_runtime/test_contract/test_interfaces.h"

namespace parlotto::testing {

class TestServerTest : public ComFixture {
 protected:
  TestServerTest() { RegisterTestInterfaces(); }

  void SetUp() override {
    RegisterLocalServer(CLSID_TestServer,
                        "\"" + std::string(PARLOTTO_BUILD_DIR) + "/tests/test_object_server\"");
  }

  void TearDown() override {
    // Servers end once their objects are gone; wait so that the next test
    // starts its own.
    object_.Reset();
    server_.Reset();
    for (int pid : ServerStarts()) SpinUntil([pid] { return ProcessGone(pid); }, 5000);
  }

  void CreateAndLoad() {
    ASSERT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                               server_.ReceiveVoid()),
              S_OK);
    ASSERT_EQ(server_->Load(VARIANT(), object_.Receive()), S_OK);
  }

  // (server process id, objects alive in it)
  std::pair<LONG, LONG> ServerState() {
    LONG pid = 0;
    LONG live = 0;
    EXPECT_EQ(object_->GetServerState(&pid, &live), S_OK);
    return {pid, live};
  }

  // Speak("fail") fails the way the test server says, with its error info
  // read through the proxy.
  void ExpectFailedSpeakWithErrorInfo() {
    LONG request_id = 0;
    EXPECT_EQ(object_->Speak(QStringLiteral("fail"), &request_id), E_INVALIDARG);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
    ErrorInfoFields fields = ReadErrorInfo(info.Get());
    EXPECT_EQ(fields.description, QStringLiteral("Das kann ich nicht sagen."));
    EXPECT_EQ(fields.source, QStringLiteral("TestObjectServer"));
    EXPECT_EQ(fields.guid, IID_ITestObject);
  }

  // The bus object behind `proxy`, which the proxy keeps.
  static RemoteObject* Remote(IUnknown* proxy) {
    RemoteObject* remote = nullptr;
    EXPECT_EQ(proxy->QueryInterface(IID_IRemoteObject, reinterpret_cast<void**>(&remote)), S_OK);
    if (remote) remote->Release();
    return remote;
  }

  ComPtr<ITestServer> server_;
  ComPtr<ITestObject> object_;
};

}  // namespace parlotto::testing
