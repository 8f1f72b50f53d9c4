// The real program reading through the real character server while the
// program keeps asking the server whether it still answers: a healthy one
// is never taken for lost, one that hangs (stopped, its bus name still
// owned) costs that piece and the program still ends.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <string>
#include <vector>

#include "contracts/agent/agent_interfaces.h"
#include "platform/com_runtime/bus_names.h"
#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// The program's fixed waits are scaled, so it asks the server every 150 ms.
QProcessEnvironment ReadingEnvironment(const ScratchDir& dir, const std::string& trace) {
  QProcessEnvironment env = testing::ProgramEnvironment(dir, trace);
  // The long limit of calls: what ends these waits must be the pings.
  env.remove("PARLOTTO_COM_SERVER_TIMEOUT_MS");
  return env;
}

void WriteCharacterHive(const ScratchDir& dir) {
  WriteFile(dir.File("user.reg"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
            "\"noAgent\"=dword:00000000\n");
}

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

uint CharacterServerPid() {
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  if (bus == nullptr) return 0;
  QDBusReply<uint> pid = bus->servicePid(ClassServiceName(CLSID_AgentServer));
  return pid.isValid() ? pid.value() : 0;
}

bool WaitForFirstSpeech(const std::string& trace) {
  QElapsedTimer waited;
  waited.start();
  while (testing::TraceEvents(trace).empty() && waited.elapsed() < 30000) QThread::msleep(20);
  return testing::TraceEvents(trace) == std::vector<std::string>{"speak"};
}

TEST(CharacterHang, AHealthyServerAskedAllThroughALongPieceIsNeverTakenForLost) {
  ScratchDir dir;
  WriteCharacterHive(dir);
  const std::string trace = dir.File("trace.txt");
  // One piece of several seconds: dozens of questions while it is spoken.
  std::string piece = "Ein Satz";
  while (piece.size() < 160) piece += " und noch ein Wort";
  QProcess program;
  program.setProcessEnvironment(ReadingEnvironment(dir, trace));
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"),
                {QStringLiteral("-d"), QString::fromStdString(piece + ".")});
  ASSERT_TRUE(program.waitForFinished(90000));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")), "");
  EXPECT_EQ(testing::TraceEvents(trace), (std::vector<std::string>{"speak", "audio-stop"}));
  EXPECT_EQ(ReadFile(dir.File("vocatodebug.log")).find("Agent server lost"), std::string::npos);
}

TEST(CharacterHang, AServerStoppedInTheMiddleOfAPieceIsLostOnceAndTheProgramEnds) {
  ScratchDir dir;
  WriteCharacterHive(dir);
  const std::string trace = dir.File("trace.txt");
  // Three pieces; the first lasts long enough to stop its server meanwhile.
  std::string first = "Erster Teil";
  while (first.size() < 580) first += " und noch ein Wort mehr";
  const std::string text = first + ".\nZweiter Teil.\nDritter Teil.";
  QProcess program;
  program.setProcessEnvironment(ReadingEnvironment(dir, trace));
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"),
                {QStringLiteral("-d"), QString::fromStdString(text)});

  ASSERT_TRUE(WaitForFirstSpeech(trace)) << ReadFile(trace);
  const uint server = CharacterServerPid();
  ASSERT_GT(server, 0u);
  ASSERT_NE(server, static_cast<uint>(program.processId()));
  // Nothing may linger, whatever fails below.
  struct Resume {
    pid_t pid;
    ~Resume() {
      ::kill(pid, SIGKILL);
      ::kill(pid, SIGCONT);
    }
  } resume{static_cast<pid_t>(server)};
  ASSERT_EQ(::kill(static_cast<pid_t>(server), SIGSTOP), 0);

  // Far less than the limit of a call: the waits' questions find the hang.
  EXPECT_TRUE(program.waitForFinished(30000));
  if (program.state() != QProcess::NotRunning) {
    program.kill();
    program.waitForFinished(5000);
    FAIL() << "the program hung with its character server";
  }
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")), "");
  EXPECT_EQ(CountOf(ReadFile(dir.File("vocatodebug.log")), "Agent server lost"), 1)
      << ReadFile(dir.File("vocatodebug.log"));
  // The hung server keeps its name, so no other speaks the rest.
  EXPECT_EQ(testing::SpokenTexts(trace).size(), 1u) << ReadFile(trace);

  // Resumed, the server finds its client gone and ends by itself.
  ::kill(static_cast<pid_t>(server), SIGCONT);
  QElapsedTimer waited;
  waited.start();
  while (CharacterServerPid() != 0 && waited.elapsed() < 20000) QThread::msleep(50);
  EXPECT_EQ(CharacterServerPid(), 0u);
}

}  // namespace
}  // namespace parlotto
