// A server that hangs, alive and owning its bus name but never answering,
// must not hang its client: calls to it have a time limit, a ping asks its
// main thread whether it still takes calls, and once it failed either it is
// treated as gone.
#include "platform/com_runtime/remote_object.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>

#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/test_server_fixture.h"

namespace parlotto {
namespace {

// Stops a server process for the scope; it goes for good at the end, since
// its client may still hold what the server counts.
class StoppedProcess {
 public:
  explicit StoppedProcess(int pid) : pid_(pid) { ::kill(pid_, SIGSTOP); }
  ~StoppedProcess() {
    ::kill(pid_, SIGKILL);
    ::kill(pid_, SIGCONT);
  }
  StoppedProcess(const StoppedProcess&) = delete;
  StoppedProcess& operator=(const StoppedProcess&) = delete;

 private:
  int pid_;
};

class HungServerTest : public testing::TestServerTest {
 protected:
  void TearDown() override {
    // A server this test gave up on still counts the test's references.
    if (server_pid_ > 0) ::kill(server_pid_, SIGKILL);
    TestServerTest::TearDown();
  }

  int StartServer() {
    CreateAndLoad();
    server_pid_ = static_cast<int>(ServerState().first);
    return server_pid_;
  }

  int server_pid_ = 0;
};

TEST_F(HungServerTest, ACallThatOutlastsTheServerLimitTimesOutAndTheServerCountsAsGone) {
  testing::ScopedEnv limit("PARLOTTO_COM_SERVER_TIMEOUT_MS", "2000");
  StartServer();
  LONG request_id = 0;
  // Well within the limit: a slow answer is still an answer.
  EXPECT_EQ(object_->Speak(QStringLiteral("wait:200"), &request_id), S_OK);
  EXPECT_TRUE(CoIsHandlerConnected(object_.Get()));

  EXPECT_EQ(object_->Speak(QStringLiteral("wait:8000"), &request_id), RPC_E_TIMEOUT);
  EXPECT_FALSE(CoIsHandlerConnected(object_.Get()));
  EXPECT_FALSE(CoIsHandlerConnected(server_.Get()));
  // Every object of that process fails at once from now on.
  LONG left = 0;
  LONG top = 0;
  EXPECT_EQ(object_->GetPosition(&left, &top), RPC_E_DISCONNECTED);
  ComPtr<ITestObject> object;
  EXPECT_EQ(server_->Load(VARIANT(), object.Receive()), RPC_E_DISCONNECTED);
  EXPECT_EQ(PingObject(server_.Get(), 5000), RPC_E_DISCONNECTED);
}

TEST_F(HungServerTest, APingIsAnsweredByARunningServerAndTimesOutOnAStoppedOne) {
  const int pid = StartServer();
  EXPECT_EQ(PingObject(object_.Get(), 5000), S_OK);
  EXPECT_EQ(PingObject(server_.Get(), 5000), S_OK);
  EXPECT_EQ(PingObject(nullptr, 5000), E_POINTER);

  StoppedProcess stopped(pid);
  // Its bus name stays owned: only the missing answer shows the hang.
  EXPECT_EQ(PingObject(object_.Get(), 500), RPC_E_TIMEOUT);
  EXPECT_FALSE(CoIsHandlerConnected(object_.Get()));
  EXPECT_EQ(PingObject(server_.Get(), 5000), RPC_E_DISCONNECTED);
  LONG left = 0;
  LONG top = 0;
  EXPECT_EQ(object_->GetPosition(&left, &top), RPC_E_DISCONNECTED);
}

TEST_F(HungServerTest, APingReachesTheServersMainThreadNotJustItsBusConnection) {
  StartServer();
  RemoteObject* remote = Remote(object_.Get());
  // The server's main thread blocks in this call for a while; the bus's own
  // Peer.Ping is still answered meanwhile, by the server's bus thread.
  QDBusMessage blocking = QDBusMessage::createMethodCall(remote->owner(), remote->path(),
                                                         QStringLiteral("TestObjects.ITestObject"),
                                                         QStringLiteral("Speak"));
  blocking << QStringLiteral("wait:6000");
  ASSERT_TRUE(ComConnection().send(blocking));
  QDBusMessage peer_ping = QDBusMessage::createMethodCall(
      remote->owner(), QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Peer"),
      QStringLiteral("Ping"));
  EXPECT_EQ(ComConnection().call(peer_ping, QDBus::Block, 3000).type(), QDBusMessage::ReplyMessage);

  EXPECT_EQ(PingObject(object_.Get(), 500), RPC_E_TIMEOUT);
  EXPECT_FALSE(CoIsHandlerConnected(object_.Get()));
}

TEST_F(HungServerTest, APingOfAnObjectItsServerNoLongerHasSaysDisconnected) {
  StartServer();
  // Every reference of this process given back behind the proxy's back:
  // the server drops the object, and lives on.
  RemoteObject* remote = Remote(object_.Get());
  QDBusMessage release = QDBusMessage::createMethodCall(
      remote->owner(), remote->path(), QLatin1String(kUnknownInterface), QStringLiteral("Release"));
  release << 0u;
  ASSERT_EQ(ComConnection().call(release).type(), QDBusMessage::ReplyMessage);

  EXPECT_EQ(PingObject(object_.Get(), 5000), RPC_E_DISCONNECTED);
  EXPECT_EQ(PingObject(server_.Get(), 5000), S_OK);
  EXPECT_TRUE(CoIsHandlerConnected(server_.Get()));
}

TEST_F(HungServerTest, CreatingAClassWhoseServerHangsFailsInTimeAndThenAtOnce) {
  const int pid = StartServer();
  StoppedProcess stopped(pid);
  testing::ScopedEnv limit("PARLOTTO_COM_SERVER_TIMEOUT_MS", "500");
  ComPtr<ITestServer> second;
  // The class's name is still owned by the stopped server, so no other can
  // be started; the call to its class object is what runs out of time.
  EXPECT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                             second.ReceiveVoid()),
            RPC_E_TIMEOUT);
  EXPECT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                             second.ReceiveVoid()),
            CO_E_SERVER_STOPPING);
  EXPECT_FALSE(second);
  EXPECT_FALSE(CoIsHandlerConnected(server_.Get()));
}

}  // namespace
}  // namespace parlotto
