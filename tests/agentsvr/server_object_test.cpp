// The character server as its clients meet it: the real AgentSvr, started
// by the object runtime on this test's private bus, with the build tree's
// speech runtime (silent, paced) and a small character of the test's own as
// the default one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "agentsvr/notify_sink_base.h"
#include "character_format/character_file_builder.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/loop/clock.h"
#include "platform/registry/registry.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/spin_loop.h"

namespace parlotto::agent {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;
using parlotto::testing::WriteFile;

bool SpinUntil(const std::function<bool()>& done, int limit_ms = 15000) {
  return parlotto::testing::SpinUntil(done, limit_ms);
}

bool ProcessGone(int pid) { return pid <= 0 || kill(pid, 0) != 0; }

struct Note {
  std::string what;
  std::int64_t at_ms;
};

// Records the notifications that arrive, with the time they came.
class TimedSink final : public parlotto::testing::NotifySinkBase {
 public:
  using NotifySinkBase::NotifySinkBase;
  std::vector<Note> notes;

  HRESULT Idle(LONG, LONG start) override { return Add("Idle " + std::to_string(start)); }
  HRESULT Command(LONG id, IUnknown*) override { return Add("Command " + std::to_string(id)); }
  HRESULT RequestComplete(LONG id, LONG status) override {
    return Add("Complete " + std::to_string(id) + " " + std::to_string(status));
  }

  std::vector<std::string> Idles() const {
    std::vector<std::string> idles;
    for (const Note& note : notes)
      if (note.what.rfind("Idle", 0) == 0) idles.push_back(note.what);
    return idles;
  }
  const Note* Last(const std::string& what) const {
    auto it = std::find_if(notes.rbegin(), notes.rend(),
                           [&what](const Note& note) { return note.what == what; });
    return it == notes.rend() ? nullptr : &*it;
  }

 private:
  HRESULT Add(std::string what) {
    notes.push_back({std::move(what), MonotonicMs()});
    return S_OK;
  }
  // As the program's sink: IAgentNotifySink only, no IDispatch.
  void* FindInterface(REFIID iid) override {
    return iid == IID_IAgentNotifySink ? static_cast<IAgentNotifySink*>(this) : nullptr;
  }
};

// The builder's small character (8×6 frames), German, with short Show,
// Hide and ReadContinued animations.
void WriteTestCharacter(const std::string& path) {
  QJsonObject manifest = parlotto::testing::SmallManifest();
  manifest[QStringLiteral("voice")] = QStringLiteral("de");
  manifest[QStringLiteral("language")] = 7;
  const QJsonObject quick{{"steps", QJsonArray{QJsonObject{{"frame", 1}, {"duration", 30}},
                                               QJsonObject{{"frame", 2}, {"duration", 30}}}}};
  QJsonObject animations = manifest[QStringLiteral("animations")].toObject();
  for (const char* name : {"Show", "Hide", "ReadContinued"})
    animations[QLatin1String(name)] = quick;
  manifest[QStringLiteral("animations")] = animations;
  const QByteArray file =
      parlotto::testing::ZipOf(parlotto::testing::SmallCharacterEntries(manifest));
  WriteFile(path, file.toStdString());
}

// A system directory with the build tree's class registrations (which name
// the build tree's speech runtime and server) and the test character.
std::string MakeSystemDir(const ScratchDir& dir) {
  std::string system = dir.File("system");
  std::filesystem::create_directories(system + "/agent/chars");
  WriteFile(system + "/classes.reg", ReadFile(PARLOTTO_BUILD_DIR "/system/classes.reg"));
  WriteTestCharacter(system + "/agent/chars/figur.acz");
  return system;
}

// A line of the speech trace.
struct TraceLine {
  std::int64_t at_ms;
  std::string event;  // "speak <text>" or "audio-stop"
};

class AgentServerTest : public ::testing::Test {
 protected:
  AgentServerTest()
      : trace_(dir_.File("trace.txt")),
        system_(MakeSystemDir(dir_)),
        hive_env_("PARLOTTO_USER_HIVE", dir_.File("user.reg").c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", system_.c_str()),
        trace_env_("PARLOTTO_SPEECH_TRACE", trace_.c_str()),
        audio_env_("PARLOTTO_AUDIO", "null"),
        linger_env_("PARLOTTO_AGENT_LINGER_MS", "300") {
    CoInitialize(nullptr);
    RegisterAgentInterfaces();
  }

  ~AgentServerTest() override {
    character_.Reset();
    agent_.Reset();
    SpinUntil([this] { return ProcessGone(server_pid_); }, 10000);
    CoUninitialize();
  }

  void CreateServer() {
    ASSERT_EQ(CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
                               agent_.ReceiveVoid()),
              S_OK);
    server_pid_ = static_cast<int>(
        ComConnection().interface()->servicePid(ClassServiceName(CLSID_AgentServer)).value());
    ASSERT_GT(server_pid_, 0);
  }

  // The default character, with a sink registered.
  void LoadDefault() {
    ASSERT_NO_FATAL_FAILURE(CreateServer());
    sink_ = new TimedSink(nullptr);
    ComPtr<IUnknown> sink(sink_->InnerUnknown());
    ASSERT_EQ(agent_->Register(sink.Get(), &sink_id_), S_OK);
    LONG req_id = 0;
    ASSERT_EQ(agent_->Load(VARIANT(), &char_id_, &req_id), S_OK);
    ASSERT_EQ(agent_->GetCharacterEx(char_id_, character_.Receive()), S_OK);
  }

  std::vector<TraceLine> Trace() const {
    std::vector<TraceLine> lines;
    const std::string text = ReadFile(trace_);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      const size_t space = line.find(' ');
      if (space != std::string::npos)
        lines.push_back({std::stoll(line.substr(0, space)), line.substr(space + 1)});
      start = end + 1;
    }
    return lines;
  }
  int CountInTrace(const std::string& event) const {
    int count = 0;
    for (const TraceLine& line : Trace()) count += line.event == event ? 1 : 0;
    return count;
  }

  bool WaitForIdle(std::size_t idles) {
    return SpinUntil([&] {
      std::vector<std::string> seen = sink_->Idles();
      return seen.size() >= idles && seen.back() == "Idle 1";
    });
  }

  // The failure's error info description, read once.
  static QString ErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Receive()) != S_OK) return QString();
    return ReadErrorInfo(info.Get()).description;
  }

  ScratchDir dir_;
  std::string trace_;
  std::string system_;
  ScopedEnv hive_env_;
  ScopedEnv system_env_;
  ScopedEnv trace_env_;
  ScopedEnv audio_env_;
  ScopedEnv linger_env_;
  ComPtr<IAgentEx> agent_;
  ComPtr<IAgentCharacterEx> character_;
  TimedSink* sink_ = nullptr;  // held by the server's registration and sink_ref_
  LONG sink_id_ = 0;
  LONG char_id_ = 0;
  int server_pid_ = 0;
};

// Requests, ids and idle.

TEST_F(AgentServerTest, RunsShowPlaySpeakAndHideInOrderUnderGrowingIds) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  LONG show = 0, play = 0, speak = 0, hide = 0;
  ASSERT_EQ(character_->Show(0, &show), S_OK);
  ASSERT_EQ(character_->Play(QStringLiteral("ReadContinued"), &play), S_OK);
  ASSERT_EQ(character_->Speak(QStringLiteral("\\Spd=400\\ Guten Tag"), QString(), &speak), S_OK);
  ASSERT_EQ(character_->Hide(0, &hide), S_OK);
  EXPECT_LT(show, play);
  EXPECT_LT(play, speak);
  EXPECT_LT(speak, hide);
  ASSERT_TRUE(WaitForIdle(2));

  std::vector<std::string> completes;
  for (const Note& note : sink_->notes)
    if (note.what.rfind("Complete", 0) == 0) completes.push_back(note.what);
  auto done = [](LONG id) { return "Complete " + std::to_string(id) + " 0"; };
  EXPECT_THAT(completes, ::testing::ElementsAre(done(show), done(play), done(speak), done(hide)));
  ASSERT_EQ(Trace().size(), 2u);
  EXPECT_EQ(Trace()[0].event, "speak \\Spd=400\\ Guten Tag");
  EXPECT_EQ(Trace()[1].event, "audio-stop");
  LONG visible = 1;
  EXPECT_EQ(character_->GetVisible(&visible), S_OK);
  EXPECT_EQ(visible, 0);
}

TEST_F(AgentServerTest, ReportsIdleOnlyOnceAllQueuedSpeechIsOver) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  LONG req = 0;
  // As the reader speaks its pieces: an animation, then the piece.
  for (const char* piece : {"\\Spd=400\\ Eins zwei", "\\Spd=400\\ drei vier"}) {
    ASSERT_EQ(character_->Play(QStringLiteral("ReadContinued"), &req), S_OK);
    ASSERT_EQ(character_->Speak(QString::fromUtf8(piece), QString(), &req), S_OK);
  }
  ASSERT_TRUE(WaitForIdle(2));
  SpinUntil([] { return false; }, 400);  // nothing more may come
  EXPECT_THAT(sink_->Idles(), ::testing::ElementsAre("Idle 0", "Idle 1"));
  std::vector<TraceLine> trace = Trace();
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_EQ(trace[3].event, "audio-stop");
  EXPECT_GE(sink_->Last("Idle 1")->at_ms, trace[3].at_ms);
}

TEST_F(AgentServerTest, StopAllEndsALongSpeechAtOnce) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  QString text;
  for (int i = 0; i < 40; ++i) text += QStringLiteral("Das ist ein langer Satz, der dauert. ");
  LONG req = 0;
  ASSERT_EQ(character_->Speak(text, QString(), &req), S_OK);
  ASSERT_TRUE(SpinUntil([this] { return !Trace().empty(); }));
  SpinUntil([] { return false; }, 300);
  ASSERT_EQ(character_->StopAll(-1), S_OK);
  // Well before the speech's own end, a minute away.
  ASSERT_TRUE(SpinUntil([this] { return CountInTrace("audio-stop") == 1; }, 3000));
  ASSERT_TRUE(WaitForIdle(2));
  EXPECT_NE(sink_->Last("Complete " + std::to_string(req) + " 3"), nullptr);
}

TEST_F(AgentServerTest, TakesAMegabyteOfTextWithoutStalling) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  const QString text(qsizetype{1024} * 1024, QLatin1Char('a'));
  LONG req = 0;
  ASSERT_EQ(character_->Speak(text, QString(), &req), S_OK);
  QElapsedTimer answer;
  answer.start();
  LONG visible = 0;
  EXPECT_EQ(character_->GetVisible(&visible), S_OK);
  EXPECT_LT(answer.elapsed(), 5000);
  EXPECT_EQ(character_->StopAll(-1), S_OK);
  EXPECT_TRUE(SpinUntil([this] { return CountInTrace("audio-stop") == 1; }));
}

// Members.

TEST_F(AgentServerTest, SelectsAnEngineModeByItsIdAndRefusesAnUnknownOne) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  // The German voice of the speech runtime.
  EXPECT_EQ(character_->SetTTSModeID(QStringLiteral("{D6B70618-29F4-5C3B-811E-7E1B72E131E3}")),
            S_OK);
  EXPECT_EQ(character_->SetTTSModeID(QStringLiteral("{d6b70618-29f4-5c3b-811e-7e1b72e131e3}")),
            S_OK);
  EXPECT_EQ(character_->SetTTSModeID(QStringLiteral("{00000000-0000-0000-0000-000000000001}")),
            E_INVALIDARG);
  EXPECT_TRUE(
      ErrorDescription().contains(QStringLiteral("{00000000-0000-0000-0000-000000000001}")));
  EXPECT_EQ(character_->SetTTSModeID(QStringLiteral("Deutsch")), E_INVALIDARG);
}

TEST_F(AgentServerTest, KeepsThePositionItIsGivenAndTellsTheFramesSize) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  ASSERT_EQ(character_->SetPosition(123, 456), S_OK);
  LONG left = 0, top = 0;
  ASSERT_EQ(character_->GetPosition(&left, &top), S_OK);
  EXPECT_EQ(left, 123);
  EXPECT_EQ(top, 456);
  LONG width = 0, height = 0;
  ASSERT_EQ(character_->GetOriginalSize(&width, &height), S_OK);
  EXPECT_EQ(width, 8);
  EXPECT_EQ(height, 6);
}

TEST_F(AgentServerTest, OffersItsCommandsThroughQueryInterface) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  ComPtr<IAgentCommands> commands;
  ASSERT_EQ(character_.As(IID_IAgentCommands, &commands), S_OK);
  LONG info = 0, end = 0;
  ASSERT_EQ(commands->Add(QStringLiteral("Info"), QString(), 1, 1, &info), S_OK);
  ASSERT_EQ(commands->Add(QStringLiteral("Beenden"), QString(), 1, 1, &end), S_OK);
  EXPECT_NE(info, end);
}

TEST_F(AgentServerTest, RefusesIdsItNeverGaveOut) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  LONG other_sink = 0;
  EXPECT_EQ(agent_->Register(nullptr, &other_sink), E_INVALIDARG);
  EXPECT_EQ(agent_->Unregister(sink_id_ + 1000), E_INVALIDARG);
  EXPECT_EQ(agent_->Unregister(-1), E_INVALIDARG);
  ComPtr<IAgentCharacterEx> other;
  EXPECT_EQ(agent_->GetCharacterEx(char_id_ + 1000, other.Receive()), E_INVALIDARG);
  EXPECT_EQ(agent_->Unload(char_id_ + 1000), E_INVALIDARG);
  EXPECT_EQ(character_->Stop(-5), E_INVALIDARG);
  EXPECT_EQ(agent_->Unregister(sink_id_), S_OK);
  EXPECT_EQ(agent_->Unregister(sink_id_), E_INVALIDARG);
}

TEST_F(AgentServerTest, FailsEveryCallOfACharacterThatWasUnloaded) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  ASSERT_EQ(agent_->Unload(char_id_), S_OK);
  LONG req = 0;
  EXPECT_EQ(character_->Speak(QStringLiteral("Hallo"), QString(), &req), E_UNEXPECTED);
  EXPECT_FALSE(ErrorDescription().isEmpty());
  ComPtr<IAgentCharacterEx> again;
  EXPECT_EQ(agent_->GetCharacterEx(char_id_, again.Receive()), E_INVALIDARG);
}

// Loading.

TEST_F(AgentServerTest, FailsToLoadDamagedForeignOrMissingFilesAndSaysWhy) {
  ASSERT_NO_FATAL_FAILURE(CreateServer());
  const std::string damaged = dir_.File("kaputt.acz");
  WriteFile(damaged, std::string("PK\x03\x04 nicht mehr", 15));
  const std::string foreign = dir_.File("brief.acz");
  WriteFile(foreign, "Sehr geehrte Damen und Herren,\n");
  for (const std::string& path : {damaged, foreign, dir_.File("fehlt.acz")}) {
    SCOPED_TRACE(path);
    LONG char_id = 0, req = 0;
    HRESULT hr = agent_->Load(VARIANT::Bstr(QString::fromStdString(path)), &char_id, &req);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(ErrorDescription().contains(QString::fromStdString(path)));
  }
  LONG char_id = 0, req = 0;
  EXPECT_EQ(agent_->Load(VARIANT::I4(3), &char_id, &req), E_INVALIDARG);
}

TEST_F(AgentServerTest, LoadsTheFileItIsGiven) {
  ASSERT_NO_FATAL_FAILURE(CreateServer());
  const std::string copy = dir_.File("meine figur.acz");
  WriteFile(copy, ReadFile(system_ + "/agent/chars/figur.acz"));
  LONG char_id = 0, req = 0;
  ASSERT_EQ(agent_->Load(VARIANT::Bstr(QString::fromStdString(copy)), &char_id, &req), S_OK);
  EXPECT_EQ(agent_->Unload(char_id), S_OK);
}

// The process.

TEST_F(AgentServerTest, FindsItsSystemDirectoryAboveItselfWhenNoneIsGiven) {
  // Started as an installation starts it: only the registration names it.
  ScopedEnv no_system("PARLOTTO_SYSTEM_DIR", nullptr);
  {
    Registry registry(RootKey::kClassesRoot);
    ASSERT_TRUE(registry.OpenKey(
        "\\CLSID\\" + StringFromGUID(CLSID_AgentServer) + "\\LocalServer32", true));
    registry.WriteString("", "\"" PARLOTTO_BUILD_DIR "/system/agent/AgentSvr\"");
  }
  // The build's default character and speech runtime.
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  LONG req = 0;
  ASSERT_EQ(character_->Speak(QStringLiteral("\\Spd=400\\ Hallo"), QString(), &req), S_OK);
  EXPECT_TRUE(SpinUntil([this] { return CountInTrace("audio-stop") == 1; }));
}

TEST_F(AgentServerTest, EndsShortlyAfterItsLastObjectIsReleased) {
  ASSERT_NO_FATAL_FAILURE(LoadDefault());
  const int pid = server_pid_;
  character_.Reset();
  EXPECT_FALSE(ProcessGone(pid));  // the server object still holds it
  agent_.Reset();
  EXPECT_TRUE(SpinUntil([pid] { return ProcessGone(pid); }, 10000));
}

// Starts the test client with `texts` to speak; true once it has loaded.
bool StartClient(QProcess& client, const QStringList& texts) {
  client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  client.start(QStringLiteral(PARLOTTO_BUILD_DIR "/tests/agent_test_client"), texts);
  QByteArray said;
  SpinUntil([&] {
    said += client.readAllStandardOutput();
    return said.contains('\n') || client.state() == QProcess::NotRunning;
  });
  return said.trimmed() == QByteArray("loaded");
}

TEST_F(AgentServerTest, GoesOnSpeakingWhenAClientStopsAnsweringItsNotifications) {
  QProcess client;
  ASSERT_TRUE(StartClient(client, {QStringLiteral("\\Spd=400\\ Eins zwei drei"),
                                   QStringLiteral("\\Spd=400\\ vier fünf sechs")}));
  const auto pid = static_cast<pid_t>(client.processId());
  kill(pid, SIGSTOP);
  // Its sink gets Idle and RequestComplete; none of them may hold the queue
  // (a waiting call would stand 10 s before giving up on the client).
  const bool both = SpinUntil([this] { return CountInTrace("audio-stop") == 2; }, 15000);
  kill(pid, SIGCONT);
  client.kill();
  client.waitForFinished();
  ASSERT_TRUE(both);
  std::vector<TraceLine> trace = Trace();
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_EQ(trace[2].event, "speak \\Spd=400\\ vier fünf sechs");
  EXPECT_LT(trace[2].at_ms - trace[1].at_ms, 3000);
}

TEST_F(AgentServerTest, EndsAfterAClientDiedHoldingASpeakingCharacter) {
  QProcess client;
  QString text;  // half a minute of speech
  for (int i = 0; i < 10; ++i)
    text += QStringLiteral("Ein Satz, der eine ganze Weile dauert, bis er vorbei ist. ");
  ASSERT_TRUE(StartClient(client, {text}));
  const int pid = static_cast<int>(
      ComConnection().interface()->servicePid(ClassServiceName(CLSID_AgentServer)).value());
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(SpinUntil([this] { return !Trace().empty(); }));
  client.kill();
  client.waitForFinished();
  // The server lets go of the speech (a released control sends no end) and
  // ends long before the speech would have.
  EXPECT_TRUE(SpinUntil([pid] { return ProcessGone(pid); }, 8000));
  EXPECT_EQ(CountInTrace("audio-stop"), 0);
}

}  // namespace
}  // namespace parlotto::agent
