// The session bus dying under the object runtime: its daemon is the test's
// own, so that it can be killed. Nobody announces the peers' leaving then;
// the runtime must count them all as gone at once, on both sides, and start
// no server that could offer its class to nobody.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/test_server_fixture.h"
#include "support/bus_daemon.h"

namespace parlotto {
namespace {

// A bus daemon made this process's session bus before the runtime first
// connects to it (a base class, so that it comes before the fixture).
class OwnSessionBus {
 protected:
  OwnSessionBus() { setenv("DBUS_SESSION_BUS_ADDRESS", qPrintable(bus_.address()), 1); }

  void KillBus() { bus_.Kill(); }

 private:
  testing::BusDaemon bus_;
};

class BusLossTest : public OwnSessionBus, public testing::TestServerTest {};

TEST_F(BusLossTest, EveryPeerIsGoneOnBothSidesWhenTheBusDies) {
  CreateAndLoad();
  const QString server = Remote(object_.Get())->owner();
  const std::vector<int> starts = ServerStarts();
  ASSERT_EQ(starts.size(), 1u);
  std::vector<std::string> gone;
  AddPeerGoneListener([&gone](const QString& name) { gone.push_back(name.toStdString()); });

  KillBus();
  EXPECT_TRUE(SpinUntil([&] { return !gone.empty(); }));
  EXPECT_EQ(gone, std::vector<std::string>{server.toStdString()});
  EXPECT_FALSE(CoIsHandlerConnected(object_.Get()));
  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("Hallo"), &request_id), RPC_S_SERVER_UNAVAILABLE);
  // The server released what this client held, so it ends by itself.
  EXPECT_TRUE(SpinUntil([&] { return ProcessGone(starts[0]); }));
  kill(starts[0], SIGKILL);
}

TEST_F(BusLossTest, NoServerIsStartedWithoutABus) {
  KillBus();
  ASSERT_TRUE(SpinUntil([] { return !ComConnection().isConnected(); }));
  ComPtr<ITestServer> server;
  EXPECT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                             server.ReceiveVoid()),
            RPC_S_SERVER_UNAVAILABLE);
  EXPECT_TRUE(ServerStarts().empty());
}

}  // namespace
}  // namespace parlotto
