// Events to sinks in other processes: a client that never answers must not
// hold up the process that fires them, and is dropped once it is seen to be
// silent.
#include "platform/com_runtime/connection_point.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QTimer>

#include "platform/com/com_object.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/com_fixture.h"
#include "platform/com_runtime/object_exporter.h"
#include "platform/com_runtime/served_class.h"
#include "platform/com_runtime/test_contract/test_marshal.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto {
namespace {

using testing::ComFixture;

const CLSID kEventServerClass = MakeGuid("{3C9E51A7-0F42-4B8D-A6E3-71D2C05B9E44}");

// A server object that hands its events to the sinks registered with it
// through a connection point.
class EventServer final : public ComObject,
                          public DispatchImpl<ITestServer>,
                          public IConnectionPointContainer {
 public:
  explicit EventServer(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(parlotto::FindInterface(IID_ITestServer)->type_info.Get(), &target_),
        events(this, IID_ITestEvents),
        target_(TestServerStub, static_cast<ITestServer*>(this)) {
    instance = this;
  }
  ~EventServer() override {
    events.UnadviseAll();
    instance = nullptr;
  }

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Load(const VARIANT&, ITestObject**) override { return E_NOTIMPL; }
  HRESULT Register(IUnknown* sink, LONG* sink_id) override {
    HRESULT hr = ComPtr<IUnknown>(sink).As(IID_ITestEvents, &last_sink);
    if (FAILED(hr)) return hr;
    DWORD cookie = 0;
    hr = events.Advise(sink, &cookie);
    *sink_id = static_cast<LONG>(cookie);
    return hr;
  }
  HRESULT Unregister(LONG sink_id) override { return events.Unadvise(static_cast<DWORD>(sink_id)); }

  HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    return FindConnectionPointIn({&events}, iid, point);
  }

  static inline EventServer* instance = nullptr;
  ConnectionPoint events;
  ComPtr<ITestEvents> last_sink;

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_ITestServer || iid == IID_IDispatch) return static_cast<ITestServer*>(this);
    if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
};

DISPID IdleId() {
  return FindMember(*FindInterface(IID_ITestEvents), QStringLiteral("Idle"))->memid;
}

class ConnectionPointTest : public ComFixture {
 protected:
  ConnectionPointTest() { RegisterTestInterfaces(); }
  ~ConnectionPointTest() override {
    if (client_.state() != QProcess::NotRunning) {
      client_.kill();
      client_.waitForFinished();
    }
  }

  // Starts the helper client, which registers a sink of its own with an
  // EventServer of this process.
  void StartSinkClient() {
    ASSERT_EQ(StartPeerClient(client_, QStringLiteral("--sink"), kEventServerClass), "ready");
    ASSERT_NE(EventServer::instance, nullptr);
    ASSERT_EQ(EventServer::instance->events.ConnectionCount(), 1u);
  }

  static ConnectionPoint& server_events() { return EventServer::instance->events; }

  testing::ScopedEnv timeout_{"PARLOTTO_COM_CALLBACK_TIMEOUT_MS", "1000"};
  testing::ServedClass<EventServer> served_{kEventServerClass};
  QProcess client_;
};

TEST_F(ConnectionPointTest, ASilentClientHoldsUpNothingAndIsDroppedOnceItFailsToAnswer) {
  StartSinkClient();
  EXPECT_GT(ExportedReferenceCount(), 0);
  kill(static_cast<pid_t>(client_.processId()), SIGSTOP);

  // Firing waits for no sink: the thread's loop never runs meanwhile. (If
  // it did, the client is killed so that the test ends instead of hanging.)
  bool loop_ran = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    loop_ran = true;
    kill(static_cast<pid_t>(client_.processId()), SIGKILL);
  });
  watchdog.start(0);
  int called = 0;
  for (int i = 0; i < 5000; ++i) {
    called += EventServer::instance->events.Fire(IdleId(), {VARIANT::I4(1), VARIANT::I4(i & 1)});
  }
  watchdog.stop();
  EXPECT_EQ(called, 5000);
  ASSERT_FALSE(loop_ran);
  QCoreApplication::processEvents();

  // Other clients are answered meanwhile.
  {
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
    QDBusMessage ask = QDBusMessage::createMethodCall(
        OwnBusName(), ClassObjectPath(kEventServerClass), QLatin1String(kUnknownInterface),
        QStringLiteral("QueryInterface"));
    ask << QString::fromStdString(StringFromGUID(IID_IUnknown));
    QDBusPendingCall answer = other.asyncCall(ask);
    EXPECT_TRUE(SpinUntil([&] { return answer.isFinished(); }));
    EXPECT_FALSE(answer.isError()) << answer.error().message().toStdString();
  }
  QDBusConnection::disconnectFromBus("other");

  // A call that waits for the client's answer waits no longer than the
  // limit for callbacks; from then on the client counts as gone.
  ComPtr<ITestEvents> sink = EventServer::instance->last_sink;
  EXPECT_EQ(sink->Idle(1, 1), RPC_E_TIMEOUT);
  EXPECT_EQ(sink->Idle(1, 0), RPC_E_DISCONNECTED);
  EXPECT_EQ(NestedCallDepth(), 0);
  EventServer::instance->events.Fire(IdleId(), {VARIANT::I4(1), VARIANT::I4(0)});
  EXPECT_EQ(EventServer::instance->events.ConnectionCount(), 0u);
  sink.Reset();
  // Everything the client held here is released, the server object too.
  EXPECT_TRUE(SpinUntil([] { return ExportedReferenceCount() == 0; }));
  EXPECT_TRUE(SpinUntil([] { return EventServer::instance == nullptr; }));
}

TEST_F(ConnectionPointTest, EventsReachAnAnsweringClientInOrderAndAGoneOneIsDropped) {
  StartSinkClient();
  ComPtr<ITestServer> server(EventServer::instance);
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(server_events().Fire(IdleId(), {VARIANT::I4(i), VARIANT::I4(1)}), 1);
  }
  QByteArray said;
  EXPECT_TRUE(SpinUntil([&] {
    said += client_.readAllStandardOutput();
    return said.count('\n') >= 300;
  }));
  QList<QByteArray> lines = said.trimmed().split('\n');
  ASSERT_EQ(lines.size(), 300);
  for (int i = 0; i < 300; ++i) EXPECT_EQ(lines[i], "idle " + QByteArray::number(i) + " 1");

  // A client that left the bus is dropped at the next event.
  client_.kill();
  client_.waitForFinished();
  EXPECT_TRUE(SpinUntil([] { return ExportedReferenceCount() == 0; }));
  server_events().Fire(IdleId(), {VARIANT::I4(1), VARIANT::I4(0)});
  EXPECT_EQ(server_events().ConnectionCount(), 0u);
  EventServer::instance->last_sink.Reset();
}

}  // namespace
}  // namespace parlotto
