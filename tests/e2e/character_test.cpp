// The real program reading through the real character server: the build's
// default character, the speech runtime silent and traced, a private bus.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <algorithm>
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

using testing::ProgramEnvironment;

const char* const kWithCharacterHive =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
    "\"noAgent\"=dword:00000000\n";

TEST(CharacterReading, SpeaksTheTextWithItsTagsThroughTheCharacterAndSavesItsPosition) {
  ScratchDir dir;
  WriteFile(dir.File("user.reg"),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
            "\"noAgent\"=dword:00000000\n"
            "\"Speed\"=dword:0000012c\n"
            "\"VolumeL\"=dword:0000ea60\n"
            "\"VolumeR\"=dword:0000ea60\n"
            "\"Pitch\"=dword:0000006e\n");
  const std::string trace = dir.File("trace.txt");
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment(dir, trace));
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"),
                {QStringLiteral("-d"), QStringLiteral("Guten Tag.\nWie geht es dir?")});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")), "");

  const std::string tags = " \\Pit=110\\  \\Spd=300\\  \\Vol=60000\\  ";
  EXPECT_EQ(testing::SpokenTexts(trace),
            std::vector<std::string>{tags + "Guten Tag.\\nWie geht es dir?"});
  EXPECT_EQ(testing::TraceEvents(trace), (std::vector<std::string>{"speak", "audio-stop"}));
  const std::string hive = ReadFile(dir.File("user.reg"));
  EXPECT_NE(hive.find("\"AgentLastPositionX\"=dword:"), std::string::npos);
  EXPECT_NE(hive.find("\"AgentLastPositionY\"=dword:"), std::string::npos);
}

TEST(CharacterReading, AServerKilledInTheMiddleOfAPieceLosesOnlyThatPiece) {
  ScratchDir dir;
  WriteFile(dir.File("user.reg"), kWithCharacterHive);
  const std::string trace = dir.File("trace.txt");
  // Three pieces (a text of over 600 characters is read in pieces); the
  // first lasts long enough to kill its server meanwhile.
  std::string first = "Erster Teil";
  while (first.size() < 580) first += " und noch ein Wort mehr";
  const std::string text = first + ".\nZweiter Teil.\nDritter Teil.";
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment(dir, trace));
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"),
                {QStringLiteral("-d"), QString::fromStdString(text)});

  QElapsedTimer waited;
  waited.start();
  while (testing::TraceEvents(trace).empty() && waited.elapsed() < 30000) QThread::msleep(20);
  ASSERT_EQ(testing::TraceEvents(trace), std::vector<std::string>{"speak"});
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  ASSERT_NE(bus, nullptr);
  const uint server = bus->servicePid(ClassServiceName(CLSID_AgentServer)).value();
  ASSERT_GT(server, 0u);
  ASSERT_NE(server, static_cast<uint>(program.processId()));
  ASSERT_EQ(::kill(static_cast<pid_t>(server), SIGKILL), 0);

  // The program notices, starts a new server for the next piece and ends.
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  const std::vector<std::string> spoken = testing::SpokenTexts(trace);
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")), "");
  ASSERT_EQ(spoken.size(), 3u) << ReadFile(trace);
  EXPECT_NE(spoken[1].find("Zweiter Teil."), std::string::npos);
  EXPECT_NE(spoken[2].find("Dritter Teil."), std::string::npos);
  EXPECT_NE(ReadFile(dir.File("vocatodebug.log")).find("Agent server lost"), std::string::npos);
}

// A script's second text after the server was lost between its two texts:
// a new server reads it, and the call says so only when it was read.
TEST(CharacterReading, AServerLostBetweenTwoTextsOfACallerIsStartedAgainForTheSecond) {
  ScratchDir dir;
  WriteFile(dir.File("user.reg"), kWithCharacterHive);
  const std::string trace = dir.File("trace.txt");
  QProcess registration;
  registration.setProcessEnvironment(ProgramEnvironment(dir, trace));
  registration.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), {"/regserver"});
  ASSERT_TRUE(registration.waitForFinished(60000));

  QProcess client;
  client.setProcessEnvironment(ProgramEnvironment(dir, trace));
  client.start(QStringLiteral(PARLOTTO_BUILD_DIR "/tests/read_some_text_client"),
               {"create", "text2:Erster Text.", "wait:3000", "text2:Zweiter Text.", "release"});
  QElapsedTimer waited;
  waited.start();
  QByteArray out;
  while (!out.contains("text2:Erster Text.") && waited.elapsed() < 60000) {
    client.waitForReadyRead(100);
    out += client.readAllStandardOutput();
  }
  ASSERT_TRUE(out.contains("text2:Erster Text. 0x00000000")) << out.toStdString();
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  const uint server = bus->servicePid(ClassServiceName(CLSID_AgentServer)).value();
  ASSERT_GT(server, 0u);
  ASSERT_EQ(::kill(static_cast<pid_t>(server), SIGKILL), 0);

  ASSERT_TRUE(client.waitForFinished(60000));
  out += client.readAllStandardOutput();
  EXPECT_TRUE(out.contains("text2:Zweiter Text. 0x00000000")) << out.toStdString();
  const std::vector<std::string> spoken = testing::SpokenTexts(trace);
  ASSERT_EQ(spoken.size(), 2u) << ReadFile(trace);
  EXPECT_NE(spoken[1].find("Zweiter Text."), std::string::npos);
}

}  // namespace
}  // namespace parlotto
