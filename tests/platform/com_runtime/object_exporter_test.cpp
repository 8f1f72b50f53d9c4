// Who holds the objects that a process serves: a reference belongs to the
// connection that asked for it, so no client can keep an object or its
// server alive for a name that is not its own, and a proxy passed on to a
// third process becomes that process's own reference.
#include "platform/com_runtime/object_exporter.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>

#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/events_sink_base.h"
#include "platform/com_runtime/object_factory.h"
#include "platform/com_runtime/served_class.h"
#include "platform/com_runtime/test_server_fixture.h"

namespace parlotto {
namespace {

const CLSID kForwardedClass = MakeGuid("{6A0F3C52-2B7D-4E1A-9C44-0D5E8B1F7A21}");
const CLSID kLockedClass = MakeGuid("{0C1D2E3F-4A5B-4C6D-8E7F-90A1B2C3D4E5}");

// An object that only counts how many of its kind are alive.
class Tracked final : public ComObject {
 public:
  explicit Tracked(IUnknown* outer) : ComObject(outer) { ++alive; }
  ~Tracked() override { --alive; }
  static inline int alive = 0;

 private:
  void* FindInterface(REFIID) override { return nullptr; }
};

// An event sink that the test serves for the helper client to pass on.
class ForwardedSink final : public testing::EventsSinkBase {
 public:
  explicit ForwardedSink(IUnknown* outer) : EventsSinkBase(outer) { ++alive; }
  ~ForwardedSink() override { --alive; }

  HRESULT Idle(LONG, LONG) override {
    ++events;
    return S_OK;
  }

  static inline int alive = 0;
  static inline int events = 0;
};

class ObjectExporterTest : public testing::TestServerTest {
 protected:
  static QDBusMessage UnknownCall(RemoteObject* remote, const char* member) {
    return QDBusMessage::createMethodCall(remote->owner(), remote->path(),
                                          QLatin1String(kUnknownInterface), QLatin1String(member));
  }
};

TEST_F(ObjectExporterTest, NoCallerCanCountAReferenceForAnotherName) {
  CreateAndLoad();
  const int pid = ServerState().first;
  // A live third process on the bus, which never asked for anything.
  QDBusConnection third = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "third");
  ASSERT_TRUE(third.isConnected());
  const QStringList names = {QStringLiteral(":1.987654"), QString(), QStringLiteral("not a name!"),
                             third.baseService(), QStringLiteral("org.freedesktop.DBus")};
  for (IUnknown* proxy :
       {static_cast<IUnknown*>(object_.Get()), static_cast<IUnknown*>(server_.Get())}) {
    RemoteObject* remote = Remote(proxy);
    // The holder itself asks the server to count for others, the way the
    // runtime once passed references on.
    for (const QString& name : names) {
      QDBusMessage call = UnknownCall(remote, "AddRefFor");
      call << name;
      EXPECT_EQ(ComConnection().call(call).type(), QDBusMessage::ErrorMessage)
          << name.toStdString();
    }
    // Someone who holds nothing can neither borrow nor claim a reference.
    QDBusMessage lend = third.call(UnknownCall(remote, "Lend"));
    EXPECT_EQ(lend.type(), QDBusMessage::ErrorMessage);
    QDBusMessage claim = UnknownCall(remote, "Claim");
    claim << QStringLiteral("0b1c6a53-9d0e-4c4e-8d55-3a5b0b3f2f10");
    EXPECT_EQ(third.call(claim).type(), QDBusMessage::ErrorMessage);
  }

  // Once the real holder lets go, the server has nothing left and ends,
  // while the third process is still there.
  object_.Reset();
  server_.Reset();
  EXPECT_TRUE(SpinUntil([pid] { return ProcessGone(pid); }));
  EXPECT_TRUE(third.isConnected());
  QDBusConnection::disconnectFromBus("third");
}

TEST_F(ObjectExporterTest, ALentReferenceIsClaimedOnceAndThenBelongsToTheClaimant) {
  CreateAndLoad();
  const int pid = ServerState().first;
  RemoteObject* remote = Remote(object_.Get());
  QDBusMessage lent = ComConnection().call(UnknownCall(remote, "Lend"));
  ASSERT_EQ(lent.type(), QDBusMessage::ReplyMessage) << lent.errorMessage().toStdString();
  const QString token = lent.arguments().value(0).toString();
  ASSERT_FALSE(token.isEmpty());
  {
    QDBusConnection claimant =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "claimant");
    QDBusMessage claim = UnknownCall(remote, "Claim");
    claim << token;
    EXPECT_EQ(claimant.call(claim).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(claimant.call(claim).type(), QDBusMessage::ErrorMessage);  // used up
  }

  // Everything of ours goes: the claimant still holds the object.
  object_.Reset();
  server_.Reset();
  SpinUntil([pid] { return ProcessGone(pid); }, 1500);
  EXPECT_FALSE(ProcessGone(pid));
  // ... until its connection closes.
  QDBusConnection::disconnectFromBus("claimant");
  EXPECT_TRUE(SpinUntil([pid] { return ProcessGone(pid); }));
}

TEST_F(ObjectExporterTest, ReferencesForNamesNotOnTheBusAreNotKept) {
  {
    ComPtr<IUnknown> object;
    ASSERT_EQ(ComObject::Create<Tracked>(nullptr, IID_IUnknown, object.ReceiveVoid()), S_OK);
    QString path;
    EXPECT_EQ(ExportObject(object.Get(), QString(), &path), E_INVALIDARG);
    EXPECT_EQ(ExportObject(object.Get(), QStringLiteral(":1.987654"), &path),
              RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(ExportObject(object.Get(), QStringLiteral("org.parlotto.Test.Nobody"), &path),
              RPC_S_SERVER_UNAVAILABLE);
    EXPECT_TRUE(FAILED(ExportObject(object.Get(), QStringLiteral("org.freedesktop.DBus"), &path)));
    EXPECT_EQ(ExportedReferenceCount(), 0);

    // A well-known name counts for its owner, and goes with it.
    {
      QDBusConnection named = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "named");
      ASSERT_TRUE(named.registerService(QStringLiteral("org.parlotto.Test.Third")));
      EXPECT_EQ(ExportObject(object.Get(), QStringLiteral("org.parlotto.Test.Third"), &path), S_OK);
      EXPECT_EQ(ExportedReferenceCount(), 1);
    }
    QDBusConnection::disconnectFromBus("named");
    EXPECT_TRUE(SpinUntil([] { return ExportedReferenceCount() == 0; }));
  }
  EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(ObjectExporterTest, OnlyTheClientThatLockedAServerTakesTheLockBack) {
  auto* counter = new testing::ObjectFactory<Tracked>;
  ComPtr<IClassFactory> factory(counter);
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kLockedClass, factory.Get(), CLSCTX_LOCAL_SERVER,
                                  REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  {
    QDBusConnection holder = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "holder");
    QDBusConnection stranger =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stranger");
    // Sent from other connections of this process, so the loop must run meanwhile.
    auto lock = [](QDBusConnection& from, bool value) {
      QDBusMessage call = QDBusMessage::createMethodCall(
          OwnBusName(), ClassObjectPath(kLockedClass), QLatin1String(kClassFactoryInterface),
          QStringLiteral("LockServer"));
      call << value;
      QDBusPendingCall pending = from.asyncCall(call);
      SpinUntil([&] { return pending.isFinished(); });
      return pending.isError() ? E_FAIL : S_OK;
    };
    const struct {
      QDBusConnection* from;
      bool lock;
      int locks_after;
    } steps[] = {
        {&stranger, false, 0},                         // nothing to take back, and never below zero
        {&holder, true, 1},    {&stranger, false, 1},  // not the stranger's lock
        {&holder, false, 0},   {&holder, false, 0},   {&holder, true, 1}, {&holder, true, 2},
    };
    for (const auto& step : steps) {
      EXPECT_EQ(lock(*step.from, step.lock), S_OK);
      EXPECT_EQ(counter->locks, step.locks_after);
    }
  }
  // A holder that leaves the bus has its locks taken back (no copy of the
  // connection is left to keep it open).
  QDBusConnection::disconnectFromBus("holder");
  EXPECT_TRUE(SpinUntil([&] { return counter->locks == 0; }));
  QDBusConnection::disconnectFromBus("stranger");
  CoRevokeClassObject(cookie);
}

TEST_F(ObjectExporterTest, AProxyPassedOnBecomesTheReceiversOwnReference) {
  testing::ServedClass<ForwardedSink> served(kForwardedClass);
  // The helper creates a sink here and hands it to the test server.
  QProcess forwarder;
  ASSERT_EQ(StartPeerClient(forwarder, QStringLiteral("--forward"), kForwardedClass), "forwarded");
  EXPECT_EQ(ForwardedSink::alive, 1);

  // The forwarder goes; the server's reference is its own and stays.
  CreateAndLoad();
  const int pid = ServerState().first;
  forwarder.kill();
  forwarder.waitForFinished();
  EXPECT_TRUE(SpinUntil([&] {
    LONG unused = 0;
    LONG live = 0;
    return SUCCEEDED(object_->GetServerState(&unused, &live)) && live == 2;
  }));
  LONG request_id = 0;
  ForwardedSink::events = 0;
  ASSERT_EQ(object_->Speak(QStringLiteral("Hallo"), &request_id), S_OK);
  EXPECT_TRUE(SpinUntil([] { return ForwardedSink::events == 2; }));
  EXPECT_EQ(ForwardedSink::alive, 1);

  // When the server ends, it leaves nothing behind here.
  object_.Reset();
  server_.Reset();
  EXPECT_TRUE(SpinUntil([pid] { return ProcessGone(pid); }));
  EXPECT_TRUE(SpinUntil([] { return ForwardedSink::alive == 0; }));
  EXPECT_EQ(ExportedReferenceCount(), 0);
}

}  // namespace
}  // namespace parlotto
