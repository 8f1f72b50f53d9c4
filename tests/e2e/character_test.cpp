// The real program reading through the real character server: the build's
// default character, the speech runtime silent and traced, a private bus.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <string>
#include <vector>

#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

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
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PARLOTTO_USER_HIVE", QString::fromStdString(dir.File("user.reg")));
  env.insert("PARLOTTO_DIALOGS", QString::fromStdString("record:" + dir.File("dialogs.txt")));
  env.insert("PARLOTTO_SPEECH_TRACE", QString::fromStdString(trace));
  env.insert("PARLOTTO_AUDIO", "null");
  env.insert("PARLOTTO_TIME_SCALE", "0.05");
  env.insert("PARLOTTO_AGENT_LINGER_MS", "300");
  env.insert("TEMP", QString::fromStdString(dir.path().string()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("PARLOTTO_SYSTEM_DIR");  // the build tree's, beside the program
  QProcess program;
  program.setProcessEnvironment(env);
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

}  // namespace
}  // namespace parlotto
