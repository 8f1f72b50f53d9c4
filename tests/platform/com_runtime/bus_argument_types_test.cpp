// Anyone on the session bus can send any types under a member's name, and
// a server that the program calls can answer with any types. Reading a bus
// value as another type than it has crashes the bus library, so both ends
// must check the types before they read.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/test_server_fixture.h"

namespace parlotto {
namespace {

class BusArgumentTypesTest : public testing::TestServerTest {};

QDBusMessage CallOn(RemoteObject* remote, const char* interface, const char* member,
                    const QVariantList& args) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      remote->owner(), remote->path(), QLatin1String(interface), QLatin1String(member));
  call.setArguments(args);
  return call;
}

TEST_F(BusArgumentTypesTest, AServerRefusesArgumentsOfOtherTypesAndLivesOn) {
  CreateAndLoad();
  const int pid = ServerState().first;
  RemoteObject* remote = Remote(object_.Get());
  QDBusConnection stranger = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "stranger");
  ASSERT_TRUE(stranger.isConnected());

  const QVariant ints = QVariant::fromValue(QList<qint32>{1, 2});
  const QList<QDBusMessage> calls = {
      // Invoke's argument list as numbers instead of variants.
      CallOn(remote, kDispatchInterface, "Invoke",
             {qint32(1), QVariant::fromValue(quint16(1)), ints, ints}),
      CallOn(remote, kDispatchInterface, "Invoke",
             {qint32(1), QVariant::fromValue(quint16(1)),
              QVariant::fromValue(QList<QDBusVariant>()), QStringLiteral("named")}),
      CallOn(remote, kDispatchInterface, "GetIDsOfNames", {ints}),
      CallOn(remote, kUnknownInterface, "QueryInterface", {qint32(7)}),
      CallOn(remote, kUnknownInterface, "Release", {QStringLiteral("99")}),
      CallOn(remote, kUnknownInterface, "Claim", {ints}),
  };
  for (const QDBusMessage& call : calls) {
    const QDBusMessage reply = stranger.call(call, QDBus::Block, 10000);
    EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << call.member().toStdString();
  }

  // Still there, and nothing was released for the stranger's "99".
  EXPECT_FALSE(ProcessGone(pid));
  EXPECT_EQ(ServerState().first, pid);
  QDBusConnection::disconnectFromBus("stranger");
}

// A server of the test's own that answers every IDispatch call with the
// wrong types.
class WrongAnswers final : public QDBusVirtualObject {
 public:
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    QDBusMessage reply = message.createReply();
    if (message.member() == QLatin1String("GetIDsOfNames")) reply << QStringLiteral("7");
    if (message.member() == QLatin1String("Invoke"))
      reply << QVariant::fromValue(QDBusVariant(1)) << QVariant::fromValue(QList<qint32>{1, 2});
    QDBusConnection(connection).send(reply);
    return true;
  }
  QString introspect(const QString&) const override { return QString(); }
};

TEST_F(BusArgumentTypesTest, AnAnswerOfOtherTypesIsAServerFault) {
  QDBusConnection server = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "wrong");
  ASSERT_TRUE(server.isConnected());
  WrongAnswers answers;
  ASSERT_TRUE(server.registerVirtualObject(QStringLiteral("/wrong"), &answers));

  ComPtr<IDispatch> proxy;
  ASSERT_EQ(RemoteObject::FromReference(server.baseService(), QStringLiteral("/wrong"),
                                        IID_IDispatch, proxy.ReceiveVoid()),
            S_OK);
  LPOLESTR name = QStringLiteral("Speak");
  DISPID id = 0;
  EXPECT_EQ(proxy->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), RPC_E_SERVERFAULT);
  VARIANT arg = VARIANT::I4(5);
  DISPPARAMS params{};
  params.rgvarg = &arg;
  params.cArgs = 1;
  VARIANT result;
  EXPECT_EQ(proxy->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                          nullptr, nullptr),
            RPC_E_SERVERFAULT);
  proxy.Reset();
  server.unregisterObject(QStringLiteral("/wrong"));
  QDBusConnection::disconnectFromBus("wrong");
}

}  // namespace
}  // namespace parlotto
