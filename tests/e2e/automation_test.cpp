// The program as an automation server, whole: registration runs, a server
// that the object runtime starts for its clients and ends after the last of
// them, the question when its window closes under a client, and its
// members called from other processes, many at once.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QThread>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/guid.h"
#include "platform/com/idispatch.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/registry/registry.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

constexpr CLSID kClass = MakeGuid("{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}");
const QString kProgram = QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto");
const QString kClient = QStringLiteral(PARLOTTO_BUILD_DIR "/tests/read_some_text_client");
const std::string kClassKey = "\\CLSID\\{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}";
const std::string kLibraryKey = "\\TypeLib\\{C1024710-571D-43DF-A3FD-0E529A9595B0}\\1.0";

class AutomationTest : public ::testing::Test {
 protected:
  AutomationTest()
      : env_(dir_, dir_.File("trace.txt")),
        scale_env_("PARLOTTO_TIME_SCALE", "0.02"),
        audio_env_("PARLOTTO_AUDIO", ("wav:" + dir_.File("speech.wav")).c_str()),
        shell_env_("PARLOTTO_SHELL", ("record:" + dir_.File("shell.txt")).c_str()) {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
    CoInitialize(nullptr);
  }

  ~AutomationTest() override {
    // A server a failed test left behind must not outlive it.
    if (qint64 pid = ServerPid(); pid > 0) kill(static_cast<pid_t>(pid), SIGKILL);
  }

  static int Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, args);
    if (!process.waitForFinished(60000)) {
      process.kill();
      return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
  }

  // A client process running `commands`; its output lines.
  static QProcess* StartClient(const QStringList& commands) {
    auto* client = new QProcess;
    client->setProcessChannelMode(QProcess::SeparateChannels);
    client->setReadChannel(QProcess::StandardOutput);
    client->start(kClient, commands);
    return client;
  }
  static QStringList FinishClient(QProcess* client, int timeout_ms = 120000) {
    std::unique_ptr<QProcess> owned(client);
    if (!client->waitForFinished(timeout_ms)) client->kill();
    QStringList lines = QString::fromUtf8(client->readAllStandardOutput()).split('\n');
    lines.removeAll(QString());
    return lines;
  }
  static QStringList Client(const QStringList& commands) {
    return FinishClient(StartClient(commands));
  }

  static bool ServerRuns() {
    return ComConnection().interface()->isServiceRegistered(ClassServiceName(kClass)).value();
  }
  static qint64 ServerPid() {
    QDBusReply<uint> pid = ComConnection().interface()->servicePid(ClassServiceName(kClass));
    return pid.isValid() ? pid.value() : 0;
  }
  static bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
      if (elapsed.elapsed() > ms) return false;
      QThread::msleep(20);
    }
    return true;
  }
  // Whether the server is off the bus within `ms`.
  static bool ServerEnds(int ms = 20000) {
    return WaitFor([] { return !ServerRuns(); }, ms);
  }
  bool Asked() const {
    return ReadFile(dir_.File("dialogs.txt")).starts_with("Warnung des COM-Servers\t");
  }

  static std::string Read(const std::string& key, const std::string& name = "") {
    Registry registry(RootKey::kClassesRoot);
    if (!registry.OpenKey(key, false)) return "<missing>";
    return registry.ReadString(name);
  }

  void Register() { ASSERT_EQ(Run(kProgram, {"/regserver"}), 0); }

  ScratchDir dir_;
  testing::ScopedProgramEnvironment env_;
  ScopedEnv scale_env_;
  ScopedEnv audio_env_;
  ScopedEnv shell_env_;
};

TEST_F(AutomationTest, RegistrationRunsWriteOrRemoveTheEntriesAndEndAtOnce) {
  for (const char* regserver : {"/regserver", "-RegServer", "/REGSERVER"}) {
    SCOPED_TRACE(regserver);
    ASSERT_EQ(Run(kProgram, {regserver}), 0);
    EXPECT_EQ(Read(kClassKey + "\\LocalServer32"), kProgram.toStdString() + " /Automation");
    EXPECT_EQ(Read("\\Vocato.ReadSomeText\\CLSID"), "{C2EBB9A2-32EF-4F1D-B779-3BCDE2FEDFEE}");
    EXPECT_EQ(Read(kLibraryKey + "\\409\\linux"), kProgram.toStdString());

    ASSERT_EQ(Run(kProgram, {"/unregserver"}), 0);
    EXPECT_EQ(Read(kClassKey), "<missing>");
    EXPECT_EQ(Read("\\Vocato.ReadSomeText"), "<missing>");
    EXPECT_EQ(Read(kLibraryKey + "\\409\\linux"), kProgram.toStdString()) << "the library stays";
  }
  ASSERT_EQ(Run(kProgram, {"/unregserver", "/regserver"}), 0);
  EXPECT_EQ(Read(kClassKey + "\\ProgID"), "Vocato.ReadSomeText") << "registering wins";
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "") << "nothing is shown";
  EXPECT_FALSE(ServerRuns());
}

TEST_F(AutomationTest, APlainStartFromAFolderWithABlankRegistersAQuotedCommandThatStarts) {
  // The program in a folder of its own, where "temp.txt" cannot be made.
  const std::filesystem::path folder = dir_.path() / "Meine Programme";
  std::filesystem::create_directories(folder / "temp.txt");
  const std::string program = (folder / "parlotto").string();
  std::filesystem::copy_file(kProgram.toStdString(), program);

  // A start that only shows its missing-file error: registered on the way.
  EXPECT_EQ(Run(QString::fromStdString(program), {"-f", "fehlt.txt"}), 0);
  EXPECT_EQ(Read(kClassKey + "\\LocalServer32"), "\"" + program + "\" /Automation");

  const QStringList out = Client({"create", "office:abc", "release"});
  ASSERT_EQ(out.size(), 3) << out.join('\n').toStdString();
  EXPECT_EQ(out[0], "create 0x00000000");
  EXPECT_EQ(out[1].toStdString(), "office:abc 0x80020009 Vocato.ReadSomeText|Datei " +
                                      (folder / "temp.txt").string() +
                                      " kann nicht erstellt werden");
  EXPECT_TRUE(ServerEnds());
  EXPECT_EQ(ReadFile(dir_.File("shell.txt")), "") << "no second instance";
}

TEST_F(AutomationTest, AServerStartedForAClientEndsWithItsLastReleaseEvenAfterARefusal) {
  Register();
  {
    ComPtr<IDispatch> object;
    ASSERT_EQ(
        CoCreateInstance(kClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.ReceiveVoid()),
        S_OK);
    EXPECT_TRUE(ServerRuns());
  }
  EXPECT_TRUE(ServerEnds());

  // An interface the object does not offer: the one object there was is gone
  // again, and with it the server.
  const QStringList out = Client({"create:{B196B284-BAB4-101A-B69C-00AA00341D07}"});
  ASSERT_EQ(out.size(), 1);
  EXPECT_EQ(out[0], "create:{B196B284-BAB4-101A-B69C-00AA00341D07} 0x80004002");
  EXPECT_TRUE(ServerEnds());
}

TEST_F(AutomationTest, TwoClientsGetTwoObjectsOfOneServer) {
  Register();
  QProcess* first = StartClient({"create", "where", "wait:3000", "release"});
  QProcess* second = StartClient({"create", "where", "wait:3000", "release"});
  const QStringList a = FinishClient(first);
  const QStringList b = FinishClient(second);
  ASSERT_GE(a.size(), 2);
  ASSERT_GE(b.size(), 2);
  const QStringList where_a = a[1].split(' ');
  const QStringList where_b = b[1].split(' ');
  ASSERT_EQ(where_a.size(), 4) << a[1].toStdString();
  ASSERT_EQ(where_b.size(), 4) << b[1].toStdString();
  EXPECT_EQ(where_a[2], where_b[2]) << "one process";
  EXPECT_NE(where_a[3], where_b[3]) << "two objects";
  EXPECT_TRUE(ServerEnds());
}

TEST_F(AutomationTest, TheDispatchSideNamesTheMembersAndOffersNoEvents) {
  Register();
  const QStringList out = Client({"create", "ids", "get5", "get", "get2",
                                  "create:{B196B284-BAB4-101A-B69C-00AA00341D07}", "release"});
  ASSERT_EQ(out.size(), 7) << out.join('\n').toStdString();
  EXPECT_EQ(out[1], "ids 0x00000000 1 2 3 5");
  EXPECT_TRUE(out[2].startsWith("get5 0x8002")) << out[2].toStdString();
  EXPECT_EQ(out[3], "get 0x00000000 []");
  EXPECT_EQ(out[4], "get2 0x00000000 []");
  EXPECT_EQ(out[5], "create:{B196B284-BAB4-101A-B69C-00AA00341D07} 0x80004002");
  EXPECT_TRUE(ServerEnds());
}

TEST_F(AutomationTest, Text2IsReadByTheServerAndReadOfficeTextByASecondInstance) {
  // The program beside a "temp.txt" of this test's: other tests write the
  // one beside the build's program.
  const std::filesystem::path bin = dir_.path() / "bin";
  std::filesystem::create_directories(bin);
  const std::string program = (bin / "parlotto").string();
  std::filesystem::create_hard_link(kProgram.toStdString(), program);
  ASSERT_EQ(Run(QString::fromStdString(program), {"/regserver"}), 0);
  const QStringList out =
      Client({"create", "text2:Guten Tag aus einem anderen Programm.", "office:abc", "release"});
  ASSERT_EQ(out.size(), 4) << out.join('\n').toStdString();
  EXPECT_EQ(out[1], "text2:Guten Tag aus einem anderen Programm. 0x00000000");
  EXPECT_EQ(out[2], "office:abc 0x00000000");
  EXPECT_EQ(testing::SpokenTexts(dir_.File("trace.txt")),
            std::vector<std::string>{"Guten Tag aus einem anderen Programm."});
  EXPECT_EQ(ReadFile((bin / "temp.txt").string()), "abc");
  // The second instance reads a file of the text's own.
  EXPECT_EQ(ReadFile(dir_.File("shell.txt"))
                .rfind("open\t" + program + "\t-f " + bin.string() + "/.temp.txt.office.", 0),
            0u);
  EXPECT_TRUE(ServerEnds());
}

// Each text in a file of its own, read one after the other in the order of
// the calls; a caller can make only eight wait behind the one being read.
TEST_F(AutomationTest, ReadOfficeTextCallsAreReadInTurnAndOnlyAFewMayWait) {
  Register();
  ScopedEnv run_them("PARLOTTO_SHELL", nullptr);
  QStringList calls{"create", "office:Erster Text.", "office:Zweiter Text."};
  for (int i = 0; i < 9; ++i) calls << QStringLiteral("office:Text %1.").arg(i);
  calls << "release";
  const QStringList out = Client(calls);
  ASSERT_EQ(out.size(), 13) << out.join('\n').toStdString();
  for (int i = 1; i <= 9; ++i) EXPECT_TRUE(out[i].endsWith(" 0x00000000")) << out[i].toStdString();
  for (int i = 10; i <= 11; ++i)
    EXPECT_TRUE(out[i].contains(" 0x80020009")) << out[i].toStdString();
  // The server stays for the readings and ends after the last.
  EXPECT_TRUE(ServerEnds(120000));
  std::vector<std::string> expected{"Erster Text.", "Zweiter Text."};
  for (int i = 0; i < 7; ++i) expected.push_back("Text " + std::to_string(i) + ".");
  EXPECT_EQ(testing::SpokenTexts(dir_.File("trace.txt")), expected);
  // Never two at once: each text's audio ended before the next began.
  const std::vector<std::string> events = testing::TraceEvents(dir_.File("trace.txt"));
  for (std::size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i], i % 2 == 0 ? "speak" : "audio-stop") << i;
  }
  std::filesystem::remove(PARLOTTO_BUILD_DIR "/temp.txt");
}

TEST_F(AutomationTest, ClosingUnderAClientAsksAndNoKeepsTheServerUntilTheClientLetsGo) {
  Register();
  ComPtr<IDispatch> object;
  ASSERT_EQ(
      CoCreateInstance(kClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.ReceiveVoid()),
      S_OK);
  // StopReading from another client: the end timer closes the window soon.
  const QStringList out = Client({"create", "stop", "release"});
  ASSERT_EQ(out.size(), 3);
  EXPECT_EQ(out[1], "stop 0x00000000");
  QElapsedTimer elapsed;
  elapsed.start();
  EXPECT_TRUE(WaitFor([this] { return Asked(); }));
  QThread::msleep(300);
  EXPECT_TRUE(ServerRuns()) << "No keeps it";
  object.Reset();
  EXPECT_TRUE(ServerEnds());
}

// Every ordinary start serves too: a script may attach to a reading the user
// started. Kept for it after the question, the process lives only until the
// script lets go, and a termination signal ends it in that state too.
TEST_F(AutomationTest, AReadingAScriptAttachedToEndsWithItsLastReleaseOrASignal) {
  for (const bool signal : {false, true}) {
    SCOPED_TRACE(signal ? "signal" : "release");
    testing::WriteFile(dir_.File("dialogs.txt"), "");
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(kProgram, {"-d", "Guten Tag."});
    ASSERT_TRUE(WaitFor([] { return ServerRuns(); }));
    ComPtr<IDispatch> object;
    ASSERT_EQ(
        CoCreateInstance(kClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, object.ReceiveVoid()),
        S_OK);
    ASSERT_TRUE(WaitFor([this] { return Asked(); }));
    EXPECT_FALSE(program.waitForFinished(300)) << "No keeps it";
    if (signal) {
      kill(static_cast<pid_t>(program.processId()), SIGTERM);
    } else {
      object.Reset();
    }
    EXPECT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
  }
}

// A second caller's Text2 during the first one's reading waits its turn: it
// is neither spoken over the first nor answered before it.
TEST_F(AutomationTest, AText2DuringAnotherReadingIsReadAfterItAndAnsweredThen) {
  Register();
  ScopedEnv paced("PARLOTTO_AUDIO", "null");  // as long as it would sound
  const QString first = QStringLiteral(
      "text2:Dieser erste Text ist lang genug, dass er noch klingt, wenn der zweite Aufrufer "
      "kommt und seinen Text abgibt.");
  QProcess* a = StartClient({"create", first, "release"});
  ASSERT_TRUE(WaitFor([this] { return !testing::TraceEvents(dir_.File("trace.txt")).empty(); }));
  const QStringList b = Client({"create", "text2:Zweiter Text.", "release"});
  const QStringList a_out = FinishClient(a);
  ASSERT_EQ(a_out.size(), 3) << a_out.join('\n').toStdString();
  ASSERT_EQ(b.size(), 3) << b.join('\n').toStdString();
  EXPECT_EQ(a_out[1], first + " 0x00000000");
  EXPECT_EQ(b[1], "text2:Zweiter Text. 0x00000000");
  const std::vector<std::string> spoken = testing::SpokenTexts(dir_.File("trace.txt"));
  ASSERT_EQ(spoken.size(), 2u);
  EXPECT_EQ(spoken[1], "Zweiter Text.");
  EXPECT_EQ(testing::TraceEvents(dir_.File("trace.txt")),
            (std::vector<std::string>{"speak", "audio-stop", "speak", "audio-stop"}));
  EXPECT_TRUE(ServerEnds());
}

// The server's resident memory in KiB, from the kernel's view of it.
long ResidentKib(qint64 pid) {
  const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
  const std::string::size_type at = status.find("VmRSS:");
  return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
}

// 50 mixed calls, each client with a sequence of its own.
QString Mixed(int round, int client) {
  return QStringLiteral("mixed:50:%1").arg(round * 20 + client);
}

TEST_F(AutomationTest, TwentyClientsCallingAtOnceAllGetTheirAnswersRoundAfterRound) {
  Register();
  // One client holds the server for the whole run, so that it is one
  // server. Without the sanitizer's quarantine of freed memory the
  // server's size shows what it really keeps.
  ScopedEnv no_quarantine(
      "ASAN_OPTIONS",
      (qEnvironmentVariable("ASAN_OPTIONS").toStdString() + ":quarantine_size_mb=0").c_str());
  QProcess* holder = StartClient({"create", "wait:1000000"});
  QElapsedTimer elapsed;
  elapsed.start();
  while (!ServerRuns() && elapsed.elapsed() < 30000) QThread::msleep(20);
  ASSERT_TRUE(ServerRuns());
  const qint64 server = ServerPid();

  // Two rounds of 20 clients with 50 calls each; the first one warms up.
  std::vector<long> resident;
  for (int round = 0; round < 2; ++round) {
    elapsed.restart();
    std::vector<QProcess*> clients;
    clients.reserve(20);
    for (int i = 0; i < 20; ++i) {
      clients.push_back(StartClient({"create", Mixed(round, i), "release"}));
    }
    for (int i = 0; i < 20; ++i) {
      const QString mixed = Mixed(round, i);
      const QStringList out = FinishClient(clients[i], 300000);
      ASSERT_EQ(out.size(), 3) << i << ": " << out.join('\n').toStdString();
      EXPECT_EQ(out[0], "create 0x00000000") << i;
      EXPECT_EQ(out[1].toStdString(), mixed.toStdString() + " 0x00000000 0") << "no call failed";
    }
    resident.push_back(ResidentKib(server));
    std::printf("round %d: 1000 calls in %lld ms, server %ld KiB\n", round + 1,
                static_cast<long long>(elapsed.elapsed()), resident.back());
  }
  EXPECT_EQ(ServerPid(), server) << "the same server answered all";
  ASSERT_GT(resident[0], 0);
  // Whatever the server keeps of each call shows in the second round.
  EXPECT_LT(resident[1] - resident[0], 4096) << "the server grows with every round";
  holder->kill();
  FinishClient(holder);
  EXPECT_TRUE(ServerEnds()) << "the holder's objects go with it";
}

}  // namespace
}  // namespace parlotto
