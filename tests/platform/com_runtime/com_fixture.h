// A private user hive in which the character server class is registered as
// the test server, and the bus set up for this process; and a test against a
// character of that server.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "contracts/agent/agent_interfaces.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/remote_object.h"
#include "platform/registry/registry.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::testing {

class ComFixture : public ::testing::Test {
 protected:
  ComFixture()
      : hive_(dir_.File("user.reg")),
        log_(dir_.File("server.log")),
        system_(dir_.File("system")),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        log_env_("PARLOTTO_TEST_SERVER_LOG", log_.c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", system_.c_str()) {
    CoInitialize(nullptr);
    RegisterAgentInterfaces();
  }
  ~ComFixture() override { CoUninitialize(); }

  void RegisterLocalServer(const CLSID& clsid, const std::string& command) {
    Registry registry(RootKey::kClassesRoot);
    ASSERT_TRUE(registry.OpenKey("\\CLSID\\" + StringFromGUID(clsid) + "\\LocalServer32", true));
    registry.WriteString("", command);
  }

  void RegisterTestServer() {
    RegisterLocalServer(CLSID_AgentServer,
                        "\"" + std::string(PARLOTTO_BUILD_DIR) + "/tests/fake_agent_server\"");
  }

  // The pids that the test servers logged as started.
  std::vector<int> ServerStarts() const {
    std::vector<int> pids;
    std::string text = ReadFile(log_);
    size_t at = 0;
    while ((at = text.find("start ", at)) != std::string::npos) {
      pids.push_back(std::stoi(text.substr(at + 6)));
      at += 6;
    }
    return pids;
  }

  // Runs the event loop until `done` or `limit_ms`.
  static bool SpinUntil(const std::function<bool()>& done, int limit_ms = 10000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < limit_ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
  }

  static bool ProcessGone(int pid) { return kill(pid, 0) != 0; }

  // Starts the helper client with `mode` and `clsid` (see com_peer_client.cpp)
  // and returns the first line it says, empty if it says nothing in time.
  static QByteArray StartPeerClient(QProcess& client, const QString& mode, REFCLSID clsid) {
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(QStringLiteral(PARLOTTO_BUILD_DIR "/tests/com_peer_client"),
                 {mode, QString::fromStdString(StringFromGUID(clsid))});
    QByteArray said;
    SpinUntil(
        [&] {
          said += client.readAllStandardOutput();
          return said.contains('\n') || client.state() == QProcess::NotRunning;
        },
        20000);
    return said.trimmed();
  }

  ScratchDir dir_;
  std::string hive_;
  std::string log_;
  std::string system_;
  ScopedEnv hive_env_;
  ScopedEnv log_env_;
  ScopedEnv system_env_;
};

// A character loaded from the test server on demand.
class CharacterServerTest : public ComFixture {
 protected:
  void SetUp() override { RegisterTestServer(); }

  void TearDown() override {
    // Servers end once their objects are gone; wait so that the next test
    // starts its own.
    character_.Reset();
    agent_.Reset();
    for (int pid : ServerStarts()) SpinUntil([pid] { return ProcessGone(pid); }, 5000);
  }

  void CreateAndLoad() {
    ASSERT_EQ(CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
                               agent_.ReceiveVoid()),
              S_OK);
    LONG char_id = 0;
    LONG req_id = 0;
    ASSERT_EQ(agent_->Load(VARIANT(), &char_id, &req_id), S_OK);
    ASSERT_EQ(agent_->GetCharacterEx(char_id, character_.Receive()), S_OK);
  }

  // (server process id, objects alive in it)
  std::pair<LONG, LONG> ServerState() {
    LONG pid = 0;
    LONG live = 0;
    EXPECT_EQ(character_->GetOriginalSize(&pid, &live), S_OK);
    return {pid, live};
  }

  // Speak("fail") fails the way the test server says, with its error info
  // read through the proxy.
  void ExpectFailedSpeakWithErrorInfo() {
    LONG req_id = 0;
    EXPECT_EQ(character_->Speak(QStringLiteral("fail"), QString(), &req_id), E_INVALIDARG);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
    ErrorInfoFields fields = ReadErrorInfo(info.Get());
    EXPECT_EQ(fields.description, QStringLiteral("Das kann ich nicht sagen."));
    EXPECT_EQ(fields.source, QStringLiteral("FakeAgentServer"));
    EXPECT_EQ(fields.guid, IID_IAgentCharacterEx);
  }

  // The bus object behind `proxy`, which the proxy keeps.
  static RemoteObject* Remote(IUnknown* proxy) {
    RemoteObject* remote = nullptr;
    EXPECT_EQ(proxy->QueryInterface(IID_IRemoteObject, reinterpret_cast<void**>(&remote)), S_OK);
    if (remote) remote->Release();
    return remote;
  }

  ComPtr<IAgentEx> agent_;
  ComPtr<IAgentCharacterEx> character_;
};

}  // namespace parlotto::testing
