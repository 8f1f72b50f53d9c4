// A served object may take an Invoke over and answer it later from the
// event loop: the caller waits for that answer, the server answers other
// calls meanwhile, and a call taken over is answered whatever becomes of it.
#include "platform/com_runtime/deferred_call.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTimer>

#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
#include "platform/com/idispatch.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/com_fixture.h"
#include "platform/com_runtime/object_exporter.h"

namespace parlotto {
namespace {

enum Member : DISPID { kNow = 1, kLater, kFailLater, kDropped, kAtOnce };

class Later final : public ComObject, public IDispatch {
 public:
  explicit Later(IUnknown* outer) : ComObject(outer) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

  // What an object returns after it took the call over is never sent, so
  // these return failures that would show.
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                 UINT*) override {
    if (member == kNow) {
      *result = VARIANT::I4(7);
      return S_OK;
    }
    std::shared_ptr<DeferredCall> call = DeferCurrentCall();
    if (!call) return E_UNEXPECTED;
    ++taken;
    taken_twice = DeferCurrentCall() != nullptr;
    switch (member) {
      case kLater:
        QTimer::singleShot(300, [call] { call->Finish(S_OK, VARIANT::I4(42)); });
        break;
      case kFailLater:
        QTimer::singleShot(100, [call] {
          FailWithErrorInfo(E_ACCESSDENIED, QStringLiteral("Test"), IID_IDispatch,
                            QStringLiteral("Später verweigert"));
          call->Finish(E_ACCESSDENIED, VARIANT());
        });
        break;
      case kAtOnce:
        call->Finish(S_OK, VARIANT::I4(5));
        break;
      default:  // kDropped: let go without an answer
        break;
    }
    return E_FAIL;
  }

  static inline bool taken_twice = false;
  static inline int taken = 0;

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
  }
};

class DeferredCallTest : public testing::ComFixture {
 protected:
  void SetUp() override {
    client_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
    ASSERT_TRUE(client_.isConnected());
    ASSERT_EQ(ComObject::Create<Later>(nullptr, IID_IDispatch, object_.ReceiveVoid()), S_OK);
    ASSERT_EQ(ExportObject(object_.Get(), client_.baseService(), &path_), S_OK);
  }
  void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("client")); }

  QDBusPendingCall Invoke(Member member) { return Invoke(member, client_); }
  QDBusPendingCall Invoke(Member member, QDBusConnection& caller) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(ComConnection().baseService(), path_,
                                       QLatin1String(kDispatchInterface), QStringLiteral("Invoke"));
    QDBusArgument no_args;
    no_args.beginArray(qMetaTypeId<QDBusVariant>());
    no_args.endArray();
    call << qint32(member) << quint16(DISPATCH_METHOD) << QVariant::fromValue(no_args)
         << QVariant::fromValue(QList<qint32>());
    return caller.asyncCall(call, 10000);
  }

  static qint32 Result(const QDBusPendingCall& call) {
    const QDBusMessage reply = call.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().empty()) return -1;
    return reply.arguments()[0].value<QDBusVariant>().variant().toInt();
  }

  QDBusConnection client_{QStringLiteral("client")};
  ComPtr<IDispatch> object_;
  QString path_;
};

TEST_F(DeferredCallTest, ACallTakenOverIsAnsweredLaterWhileOthersAreAnsweredMeanwhile) {
  QDBusPendingCall later = Invoke(kLater);
  QDBusPendingCall now = Invoke(kNow);
  ASSERT_TRUE(SpinUntil([&] { return now.isFinished(); }));
  EXPECT_EQ(Result(now), 7);
  EXPECT_FALSE(later.isFinished());
  ASSERT_TRUE(SpinUntil([&] { return later.isFinished(); }));
  EXPECT_EQ(Result(later), 42);
  EXPECT_FALSE(Later::taken_twice);

  // Answered before the object even returned.
  QDBusPendingCall at_once = Invoke(kAtOnce);
  ASSERT_TRUE(SpinUntil([&] { return at_once.isFinished(); }));
  EXPECT_EQ(Result(at_once), 5);

  // A call from this process is not one from the bus: nothing to take over.
  VARIANT result;
  DISPPARAMS none{};
  EXPECT_EQ(object_->Invoke(kLater, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            E_UNEXPECTED);
}

TEST_F(DeferredCallTest, AFailureLaterCarriesItsErrorInfoAndADroppedCallIsAServerFault) {
  QDBusPendingCall failed = Invoke(kFailLater);
  QDBusPendingCall dropped = Invoke(kDropped);
  ASSERT_TRUE(SpinUntil([&] { return failed.isFinished() && dropped.isFinished(); }));
  // The error info went with the answer and stays off the server's thread
  // (reading the replies below puts it on the caller's).
  ComPtr<IErrorInfo> left;
  EXPECT_EQ(GetErrorInfo(0, left.Receive()), S_FALSE);
  EXPECT_EQ(HResultOfReply(failed.reply()), E_ACCESSDENIED);
  EXPECT_TRUE(failed.reply().errorMessage().startsWith(QStringLiteral("Später verweigert")))
      << failed.reply().errorMessage().toStdString();
  EXPECT_EQ(HResultOfReply(dropped.reply()), RPC_E_SERVERFAULT);
}

TEST_F(DeferredCallTest, ACallerThatLeavesBeforeItsAnswerCostsTheServerNothing) {
  QDBusConnection leaver =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("leaver"));
  ASSERT_TRUE(leaver.isConnected());
  const int before = Later::taken;
  Invoke(kLater, leaver);
  ASSERT_TRUE(SpinUntil([&] { return Later::taken > before; }));
  QDBusConnection::disconnectFromBus(QStringLiteral("leaver"));
  // Past the moment the answer goes out to nobody.
  SpinUntil([] { return false; }, 600);

  QDBusPendingCall later = Invoke(kLater);
  ASSERT_TRUE(SpinUntil([&] { return later.isFinished(); }));
  EXPECT_EQ(Result(later), 42);
}

}  // namespace
}  // namespace parlotto
