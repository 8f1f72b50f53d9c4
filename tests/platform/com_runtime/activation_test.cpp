// The object runtime across real processes on a private session bus: a test
// character server started from the registry, clients in this and another
// process, and the failures a client must survive.
#include "platform/com_runtime/activation.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>

#include "platform/com/error_info.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/com_fixture.h"
#include "platform/com_runtime/object_exporter.h"
#include "platform/com_runtime/recording_sink.h"
#include "platform/com_runtime/remote_object.h"
#include "platform/loop/clock.h"
#include "platform/loop/window_messages.h"

namespace parlotto {
namespace {

using testing::RecordingSink;

using ComRuntimeTest = testing::CharacterServerTest;

TEST_F(ComRuntimeTest, OneStartedServerServesEveryClient) {
  CreateAndLoad();
  auto [pid, live] = ServerState();
  EXPECT_EQ(live, 2);  // the server object and the character

  ComPtr<IAgentEx> second;
  ASSERT_EQ(CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
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
  character_.Reset();
  agent_.Reset();
  EXPECT_TRUE(SpinUntil([pid = pid] { return ProcessGone(pid); }));
}

TEST_F(ComRuntimeTest, InterfacesOfOneObjectShareOneIdentityAndOneServerReference) {
  CreateAndLoad();
  ComPtr<IAgentCommands> commands;
  ASSERT_EQ(character_.As(IID_IAgentCommands, &commands), S_OK);
  LONG id = 0;
  EXPECT_EQ(commands->Add(QStringLiteral("Info"), QString(), 1, 1, &id), S_OK);
  EXPECT_EQ(id, 101);
  ComPtr<IUnknown> a;
  ComPtr<IUnknown> b;
  ASSERT_EQ(character_.As(IID_IUnknown, &a), S_OK);
  ASSERT_EQ(commands.As(IID_IUnknown, &b), S_OK);
  EXPECT_EQ(a.Get(), b.Get());
  ComPtr<IAgentNotifySink> not_offered;
  EXPECT_EQ(character_.As(IID_IAgentNotifySink, &not_offered), E_NOINTERFACE);
}

TEST_F(ComRuntimeTest, FailuresCarryTheirErrorInfoAcross) {
  CreateAndLoad();
  ExpectFailedSpeakWithErrorInfo();

  LONG req_id = 0;
  ComPtr<IErrorInfo> info;
  LONG char_id = 0;
  VARIANT key = VARIANT::Bstr(QStringLiteral("fail"));
  EXPECT_EQ(agent_->Load(key, &char_id, &req_id), E_FAIL);
  ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
  EXPECT_EQ(ReadErrorInfo(info.Get()).description,
            QStringLiteral("Die Figur wurde nicht gefunden."));

  // Success leaves no stale error info behind.
  EXPECT_EQ(character_->Speak(QStringLiteral("Hallo"), QString(), &req_id), S_OK);
  EXPECT_EQ(GetErrorInfo(0, info.Receive()), S_FALSE);
}

TEST_F(ComRuntimeTest, IncomingCallsArriveOnlyWhereTheThreadProcessesMessages) {
  CreateAndLoad();
  auto* recording = new RecordingSink(nullptr);
  ComPtr<IUnknown> sink(recording->InnerUnknown());
  LONG sink_id = 0;
  ASSERT_EQ(agent_->Register(sink.Get(), &sink_id), S_OK);

  // The server calls back within the call: the waiting caller takes it.
  LONG req_id = 0;
  ASSERT_EQ(character_->Speak(QStringLiteral("callback"), QString(), &req_id), S_OK);
  EXPECT_EQ(recording->events, std::vector<std::string>{"Idle 1 1"});
  recording->events.clear();

  // Notifications sent after the answer wait for the thread's loop: a plain
  // sleep lets none in, processing messages lets them in, in order. (One may
  // come in while the call is still being waited for, with its answer.)
  ASSERT_EQ(character_->Speak(QStringLiteral("Guten Tag"), QString(), &req_id), S_OK);
  size_t before_sleep = recording->events.size();
  Sleep(300);
  EXPECT_EQ(recording->events.size(), before_sleep);
  EXPECT_TRUE(SpinUntil([&] { return recording->events.size() == 2; }));
  EXPECT_EQ(recording->events, (std::vector<std::string>{"Idle 1 0", "Idle 1 1"}));

  EXPECT_EQ(agent_->Unregister(sink_id), S_OK);
  // The server gave back its reference to the sink.
  EXPECT_TRUE(SpinUntil([] { return ExportedReferenceCount() == 0; }));
}

TEST_F(ComRuntimeTest, AServerThatDiesInACallFailsTheCallNotTheClient) {
  CreateAndLoad();
  int pid = ServerState().first;
  LONG req_id = 0;
  EXPECT_EQ(character_->Speak(QStringLiteral("crash"), QString(), &req_id), RPC_S_CALL_FAILED);
  EXPECT_TRUE(SpinUntil([pid] { return ProcessGone(pid); }));
  EXPECT_TRUE(FAILED(character_->Speak(QStringLiteral("Hallo"), QString(), &req_id)));
  // Releasing proxies of a dead server is quiet.
  character_.Reset();
  agent_.Reset();
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
  testing::ScopedEnv never("FAKE_SERVER_NEVER_PUBLISH", "1");
  testing::ScopedEnv timeout("PARLOTTO_COM_START_TIMEOUT_MS", "1500");
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_EQ(CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
                             object.ReceiveVoid()),
            CO_E_SERVER_EXEC_FAILURE);
  EXPECT_GE(elapsed.elapsed(), 1400);
  EXPECT_LT(elapsed.elapsed(), 15000);
  for (int pid : ServerStarts()) kill(pid, SIGTERM);
}

TEST_F(ComRuntimeTest, ACallMayTakeLongerThanTheBusTimeout) {
  CreateAndLoad();
  LONG req_id = 0;
  EXPECT_EQ(character_->Speak(QStringLiteral("wait:26000"), QString(), &req_id), S_OK);
}

}  // namespace
}  // namespace parlotto

namespace parlotto {
namespace {

// What a person sees with the bus's own tools.
class BusToolsTest : public ComRuntimeTest {
 protected:
  QString CharacterPath() { return Remote(character_.Get())->path(); }

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
  const QString service = ClassServiceName(CLSID_AgentServer);
  const QString path = CharacterPath();
  QString xml = Gdbus({"introspect", "--session", "--dest", service, "--object-path", path});
  EXPECT_TRUE(xml.contains("interface AgentServerObjects.IAgentCharacterEx")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("Speak(in  s bszText")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("out i pdwReqID")) << xml.toStdString();
  EXPECT_TRUE(xml.contains("interface AgentServerObjects.IAgentCommands")) << xml.toStdString();

  const QString method = QStringLiteral("AgentServerObjects.IAgentCharacterEx.");
  EXPECT_EQ(Gdbus({"call", "--session", "--dest", service, "--object-path", path, "--method",
                   method + "SetPosition", "120", "340"})
                .trimmed(),
            "()");
  LONG left = 0;
  LONG top = 0;
  ASSERT_EQ(character_->GetPosition(&left, &top), S_OK);
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
