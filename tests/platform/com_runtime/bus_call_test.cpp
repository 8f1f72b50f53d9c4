// Calls on the bus: how deep waits may nest, and how errors travel so that
// both a proxy and the bus's own tools read them.
#include "platform/com_runtime/bus_call.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

#include "platform/com/error_info.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/events_sink_base.h"
#include "platform/com_runtime/test_server_fixture.h"

namespace parlotto {
namespace {

// A sink that answers each Idle by asking the object to call back again, so
// that every round nests one wait deeper on both sides.
class EchoSink final : public testing::EventsSinkBase {
 public:
  using EventsSinkBase::EventsSinkBase;

  HRESULT Idle(LONG, LONG) override {
    deepest = std::max(deepest, NestedCallDepth());
    // Stops by itself well past the bound, should there be none.
    if (NestedCallDepth() > kMaxNestedCalls + 8) return S_OK;
    LONG request_id = 0;
    results.push_back(object->Speak(QStringLiteral("callback"), &request_id));
    return S_OK;
  }

  ComPtr<ITestObject> object;
  std::vector<HRESULT> results;  // innermost first
  int deepest = 0;
};

class BusCallTest : public testing::TestServerTest {
 protected:
  QDBusMessage SpeakCall(const QString& text) {
    RemoteObject* remote = Remote(object_.Get());
    QDBusMessage call = QDBusMessage::createMethodCall(remote->owner(), remote->path(),
                                                       QStringLiteral("TestObjects.ITestObject"),
                                                       QStringLiteral("Speak"));
    call << text;
    return call;
  }
};

TEST_F(BusCallTest, NestedWaitsStopAtTheBoundAndUnwind) {
  CreateAndLoad();
  auto* echo = new EchoSink(nullptr);
  ComPtr<IUnknown> sink(echo->InnerUnknown());
  echo->object = object_;
  LONG sink_id = 0;
  ASSERT_EQ(server_->Register(sink.Get(), &sink_id), S_OK);

  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("callback"), &request_id), S_OK);
  EXPECT_EQ(echo->deepest, kMaxNestedCalls);
  ASSERT_EQ(echo->results.size(), static_cast<size_t>(kMaxNestedCalls));
  EXPECT_EQ(echo->results.front(), RPC_E_CALL_REJECTED);
  for (size_t i = 1; i < echo->results.size(); ++i) EXPECT_EQ(echo->results[i], S_OK) << i;
  EXPECT_EQ(NestedCallDepth(), 0);

  // Everything works as before afterwards.
  EXPECT_EQ(server_->Unregister(sink_id), S_OK);
  echo->object.Reset();
  LONG left = 0;
  LONG top = 0;
  EXPECT_EQ(object_->GetPosition(&left, &top), S_OK);
}

TEST_F(BusCallTest, AnErrorIsOneStringThatStartsWithItsDescription) {
  CreateAndLoad();
  // The test server's description has lines of its own, two of them
  // looking like the line that carries the rest of the error info.
  const QString description = QStringLiteral(
      "Erste Zeile.\norg.parlotto.Com.ErrorInfo: {\"source\":\"falsch\"}\nLetzte Zeile.\n"
      "org.parlotto.Com.ErrorInfo: {\"source\":\"auch falsch\"}");
  QDBusMessage raw = ComConnection().call(SpeakCall(QStringLiteral("fail:all")));
  ASSERT_EQ(raw.type(), QDBusMessage::ErrorMessage);
  EXPECT_EQ(raw.signature(), QStringLiteral("s"));
  EXPECT_TRUE(raw.errorMessage().startsWith(description + QLatin1Char('\n')))
      << raw.errorMessage().toStdString();

  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("fail:all"), &request_id), E_FAIL);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
  ErrorInfoFields fields = ReadErrorInfo(info.Get());
  EXPECT_EQ(fields.description, description);
  EXPECT_EQ(fields.source, QStringLiteral("TestObjectServer\nzweite Zeile"));
  EXPECT_EQ(fields.help_file, QStringLiteral("/usr/share/help/test object.html"));
  EXPECT_EQ(fields.help_context, 4711u);
  EXPECT_EQ(fields.guid, IID_ITestObject);

  // Without error info the text is the system's, and none appears here.
  raw = ComConnection().call(SpeakCall(QStringLiteral("fail:plain")));
  EXPECT_EQ(raw.arguments(), QList<QVariant>{QStringLiteral("The parameter is incorrect.")});
  EXPECT_EQ(object_->Speak(QStringLiteral("fail:plain"), &request_id), E_INVALIDARG);
  EXPECT_EQ(GetErrorInfo(0, info.Receive()), S_FALSE);
}

TEST_F(BusCallTest, ErrorsFromAServerReadAsTextOnTheBusAndAsErrorInfoInAProxy) {
  CreateAndLoad();
  QDBusMessage raw = ComConnection().call(SpeakCall(QStringLiteral("fail")));
  ASSERT_EQ(raw.type(), QDBusMessage::ErrorMessage);
  EXPECT_EQ(raw.errorName(), QStringLiteral("org.parlotto.Com.Error.E_INVALIDARG"));
  EXPECT_EQ(raw.signature(), QStringLiteral("s"));
  EXPECT_TRUE(raw.errorMessage().startsWith(QStringLiteral("Das kann ich nicht sagen.\n")))
      << raw.errorMessage().toStdString();

  ExpectFailedSpeakWithErrorInfo();

  // What a person sees with gdbus.
  QDBusMessage call = SpeakCall(QString());
  QProcess gdbus;
  gdbus.setProcessChannelMode(QProcess::MergedChannels);
  gdbus.start(QStringLiteral("gdbus"),
              {"call", "--session", "--dest", call.service(), "--object-path", call.path(),
               "--method", "TestObjects.ITestObject.Speak", "fail"});
  // The server is another process: this thread need not serve meanwhile.
  ASSERT_TRUE(gdbus.waitForFinished(20000));
  const QString shown = QString::fromUtf8(gdbus.readAll());
  EXPECT_TRUE(shown.contains("Das kann ich nicht sagen.")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("E_INVALIDARG")) << shown.toStdString();
}

}  // namespace
}  // namespace parlotto
