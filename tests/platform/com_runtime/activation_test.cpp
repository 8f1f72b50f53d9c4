// The object runtime across real processes on a private session bus: a test
// server started from the registry, clients in this and another process,
// and the failures a client must survive.
#include "platform/com_runtime/activation.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>

#include "platform/com/error_info.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/object_exporter.h"
#include "platform/com_runtime/recording_sink.h"
#include "platform/com_runtime/remote_object.h"
#include "platform/com_runtime/test_server_fixture.h"
#include "platform/loop/clock.h"
#include "platform/loop/window_messages.h"

namespace parlotto {
namespace {

using testing::RecordingSink;

using ComRuntimeTest = testing::TestServerTest;

TEST_F(ComRuntimeTest, OneStartedServerServesEveryClient) {
  CreateAndLoad();
  auto [pid, live] = ServerState();
  EXPECT_EQ(live, 2);  // the server object and the object it loaded

  ComPtr<ITestServer> second;
  ASSERT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                             second.ReceiveVoid()),
            S_OK);
  EXPECT_EQ(ServerState().second, 3);

  QProcess client;
  client.start(QStringLiteral(PARLOTTO_BUILD_DIR "/tests/com_test_client"));
  ASSERT_TRUE(client.waitForReadyRead(20000));
  EXPECT_EQ(client.readAll().trimmed(), "ready");
  EXPECT_EQ(ServerState().second, 5);
  EXPECT_EQ(ServerStarts(), std::vector<int>{pid});

  // A client that dies holding objects has them released for it.
  client.kill();
  client.waitForFinished();
  EXPECT_TRUE(SpinUntil([&] { return ServerState().second == 3; }));

  // A proxy's last release releases the remote object.
  second.Reset();
  EXPECT_EQ(ServerState().second, 2);
  object_.Reset();
  server_.Reset();
  EXPECT_TRUE(SpinUntil([pid = pid] { return ProcessGone(pid); }));
}

TEST_F(ComRuntimeTest, InterfacesOfOneObjectShareOneIdentityAndOneServerReference) {
  CreateAndLoad();
  ComPtr<ITestCounter> counter;
  ASSERT_EQ(object_.As(IID_ITestCounter, &counter), S_OK);
  LONG value = 0;
  EXPECT_EQ(counter->Next(&value), S_OK);
  EXPECT_EQ(value, 101);
  ComPtr<IUnknown> a;
  ComPtr<IUnknown> b;
  ASSERT_EQ(object_.As(IID_IUnknown, &a), S_OK);
  ASSERT_EQ(counter.As(IID_IUnknown, &b), S_OK);
  EXPECT_EQ(a.Get(), b.Get());
  ComPtr<ITestEvents> not_offered;
  EXPECT_EQ(object_.As(IID_ITestEvents, &not_offered), E_NOINTERFACE);
}

TEST_F(ComRuntimeTest, FailuresCarryTheirErrorInfoAcross) {
  CreateAndLoad();
  ExpectFailedSpeakWithErrorInfo();

  ComPtr<IErrorInfo> info;
  ComPtr<ITestObject> object;
  VARIANT key = VARIANT::Bstr(QStringLiteral("fail"));
  EXPECT_EQ(server_->Load(key, object.Receive()), E_FAIL);
  ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
  EXPECT_EQ(ReadErrorInfo(info.Get()).description,
            QStringLiteral("Das Objekt wurde nicht gefunden."));

  // Success leaves no stale error info behind.
  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("Hallo"), &request_id), S_OK);
  EXPECT_EQ(GetErrorInfo(0, info.Receive()), S_FALSE);
}

TEST_F(ComRuntimeTest, IncomingCallsArriveOnlyWhereTheThreadProcessesMessages) {
  CreateAndLoad();
  auto* recording = new RecordingSink(nullptr);
  ComPtr<IUnknown> sink(recording->InnerUnknown());
  LONG sink_id = 0;
  ASSERT_EQ(server_->Register(sink.Get(), &sink_id), S_OK);

  // The server calls back within the call: the waiting caller takes it.
  LONG request_id = 0;
  ASSERT_EQ(object_->Speak(QStringLiteral("callback"), &request_id), S_OK);
  EXPECT_EQ(recording->events, std::vector<std::string>{"Idle 1 1"});
  recording->events.clear();

  // Notifications sent after the answer wait for the thread's loop: a plain
  // sleep lets none in, processing messages lets them in, in order. (One may
  // come in while the call is still being waited for, with its answer.)
  ASSERT_EQ(object_->Speak(QStringLiteral("Guten Tag"), &request_id), S_OK);
  size_t before_sleep = recording->events.size();
  Sleep(300);
  EXPECT_EQ(recording->events.size(), before_sleep);
  EXPECT_TRUE(SpinUntil([&] { return recording->events.size() == 2; }));
  EXPECT_EQ(recording->events, (std::vector<std::string>{"Idle 1 0", "Idle 1 1"}));

  EXPECT_EQ(server_->Unregister(sink_id), S_OK);
  // The server gave back its reference to the sink.
  EXPECT_TRUE(SpinUntil([] { return ExportedReferenceCount() == 0; }));
}

TEST_F(ComRuntimeTest, AServerThatDiesInACallFailsTheCallNotTheClient) {
  CreateAndLoad();
  int pid = ServerState().first;
  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("crash"), &request_id), RPC_S_CALL_FAILED);
  EXPECT_TRUE(SpinUntil([pid] { return ProcessGone(pid); }));
  EXPECT_TRUE(FAILED(object_->Speak(QStringLiteral("Hallo"), &request_id)));
  // Releasing proxies of a dead server is quiet.
  object_.Reset();
  server_.Reset();
}

TEST_F(ComRuntimeTest, ClassesThatCannotBeServedFailWithinBoundedTime) {
  const CLSID unknown = MakeGuid("{0BADC0DE-0000-4000-8000-000000000001}");
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_SERVER, IID_IUnknown, object.ReceiveVoid()),
            REGDB_E_CLASSNOTREG);

  RegisterLocalServer(unknown, "/nonexistent/parlotto/server -x");
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_SERVER, IID_IUnknown, object.ReceiveVoid()),
            CO_E_SERVER_EXEC_FAILURE);

  // A server that runs but never offers its class.
  testing::ScopedEnv never("PARLOTTO_TEST_SERVER_NEVER_PUBLISH", "1");
  testing::ScopedEnv timeout("PARLOTTO_COM_START_TIMEOUT_MS", "1500");
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_SERVER, IID_ITestServer,
                             object.ReceiveVoid()),
            CO_E_SERVER_EXEC_FAILURE);
  EXPECT_GE(elapsed.elapsed(), 1400);
  EXPECT_LT(elapsed.elapsed(), 15000);
  for (int pid : ServerStarts()) kill(pid, SIGTERM);
}

TEST_F(ComRuntimeTest, ACallMayTakeLongerThanTheBusTimeout) {
  CreateAndLoad();
  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("wait:26000"), &request_id), S_OK);
}

// Taken over by the object, a call of a typed member is answered later, its
// out argument with it.
TEST_F(ComRuntimeTest, ATypedCallTakenOverIsAnsweredWhenTheObjectFinishesIt) {
  CreateAndLoad();
  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("later:300"), &request_id), S_OK);
  EXPECT_GT(request_id, 0);
}

// A server is judged by whether it answers pings, not by how long one call
// takes: a reading may last minutes.
TEST_F(ComRuntimeTest, ALongCallGoesOnWhileTheServerAnswersPingsAndEndsWhenItHangs) {
  CreateAndLoad();
  testing::ScopedEnv limit("PARLOTTO_COM_SERVER_TIMEOUT_MS", "300");
  LONG request_id = 0;
  EXPECT_EQ(object_->Speak(QStringLiteral("busy:2000"), &request_id), S_OK);
  EXPECT_EQ(object_->Speak(QStringLiteral("wait:5000"), &request_id), RPC_E_TIMEOUT);
}

}  // namespace
}  // namespace parlotto

namespace parlotto {
namespace {

// What a person sees with the bus's own tools.
class BusToolsTest : public ComRuntimeTest {
 protected:
  QString ObjectPath() { return Remote(object_.Get())->path(); }

  // Runs gdbus; its output and error output together.
  static QString Gdbus(const QStringList& args) {
    QProcess gdbus;
    gdbus.setProcessChannelMode(QProcess::MergedChannels);
    gdbus.start(QStringLiteral("gdbus"), args);
    // gdbus waits for the answer while this thread must serve nothing: the
    // server is another process.
    gdbus.waitForFinished(20000);
    return QString::fromUtf8(gdbus.readAll());
  }
};

TEST_F(BusToolsTest, IntrospectionAndCallsUseTheLibrarysNames) {
  CreateAndLoad();
  const QString service = ClassServiceName(CLSID_TestServer);
  const QString path = ObjectPath();
  QString xml = Gdbus({"introspect", "--session", "--dest", service, "--object-path", path});
  EXPECT_TRUE(xml.contains("interface TestObjects.ITestObject")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("Speak(in  s text")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("out i request_id")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("interface TestObjects.ITestCounter")) << xml.toStdString();

  const QString method = QStringLiteral("TestObjects.ITestObject.");
  EXPECT_EQ(Gdbus({"call", "--session", "--dest", service, "--object-path", path, "--method",
                   method + "SetPosition", "120", "340"})
                .trimmed(),
            "()");
  LONG left = 0;
  LONG top = 0;
  ASSERT_EQ(object_->GetPosition(&left, &top), S_OK);
  EXPECT_EQ(left, 120);
  EXPECT_EQ(top, 340);

  QString unknown = Gdbus({"call", "--session", "--dest", service, "--object-path", path,
                           "--method", method + "Dance"});
  EXPECT_TRUE(unknown.contains("org.parlotto.Com.Error.DISP_E_MEMBERNOTFOUND"))
      << unknown.toStdString();
  QString too_few = Gdbus({"call", "--session", "--dest", service, "--object-path", path,
                           "--method", method + "SetPosition", "1"});
  EXPECT_TRUE(too_few.contains("DISP_E_BADPARAMCOUNT")) << too_few.toStdString();
  // gdbus checks types itself; dbus-send sends what it is told.
  QProcess send;
  send.setProcessChannelMode(QProcess::MergedChannels);
  send.start(QStringLiteral("dbus-send"), {"--session", "--print-reply", "--dest=" + service, path,
                                           method + "SetPosition", "string:links", "string:oben"});
  send.waitForFinished(20000);
  QString wrong_type = QString::fromUtf8(send.readAll());
  EXPECT_TRUE(wrong_type.contains("DISP_E_TYPEMISMATCH")) << wrong_type.toStdString();
}

}  // namespace
}  // namespace parlotto
