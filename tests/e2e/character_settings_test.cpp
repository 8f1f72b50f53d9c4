// The settings of the character, read by the real program and carried out
// by the real character server: where it stands, which file and which voice.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <string>
#include <vector>

#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

class CharacterSettingsTest : public ::testing::Test {
 protected:
  // Reads a short text through the character with these settings; what was
  // spoken.
  std::vector<std::string> ReadWith(const std::string& values) {
    WriteFile(dir_.File("user.reg"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
              "\"noAgent\"=dword:00000000\n" +
                  values);
    const QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"),
                  {QStringLiteral("-d"), QStringLiteral("Hallo.")});
    EXPECT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
    return testing::SpokenTexts(dir_.File("trace.txt"));
  }

  std::string Log() { return ReadFile(dir_.File("vocatodebug.log")); }
  std::string Hive() { return ReadFile(dir_.File("user.reg")); }

  ScratchDir dir_;
};

TEST_F(CharacterSettingsTest, APositionOffTheScreenIsBroughtBackAndSavedWhereTheCharacterStood) {
  ASSERT_EQ(ReadWith("\"AgentLastPositionX\"=dword:00001388\n"
                     "\"AgentLastPositionY\"=dword:00000014\n")
                .size(),
            1u);
  // 5000 is beyond any screen: 128 instead; the top stays.
  EXPECT_NE(Hive().find("\"AgentLastPositionX\"=dword:00000080"), std::string::npos) << Hive();
  EXPECT_NE(Hive().find("\"AgentLastPositionY\"=dword:00000014"), std::string::npos) << Hive();
}

TEST_F(CharacterSettingsTest, NoSavedPlaceMeansTheBottomRightAndANegativeLeftBecomes128) {
  // (0, 0) is no place: the character stands at the bottom right of the
  // work area (the offscreen screen is 800 x 600).
  ASSERT_EQ(ReadWith("\"AgentLastPositionX\"=dword:00000000\n"
                     "\"AgentLastPositionY\"=dword:00000000\n")
                .size(),
            1u);
  const std::string hive = Hive();
  const auto value = [&](const std::string& name) {
    const std::size_t at = hive.find("\"" + name + "\"=dword:");
    return at == std::string::npos ? -1L
                                   : std::stol(hive.substr(at + name.size() + 9, 8), nullptr, 16);
  };
  EXPECT_GT(value("AgentLastPositionX"), 400) << hive;
  EXPECT_GT(value("AgentLastPositionY"), 300) << hive;

  std::filesystem::remove(dir_.File("trace.txt"));
  ASSERT_EQ(ReadWith("\"AgentLastPositionX\"=dword:fffffffb\n"
                     "\"AgentLastPositionY\"=dword:00000000\n")
                .size(),
            1u);
  EXPECT_NE(Hive().find("\"AgentLastPositionX\"=dword:00000080"), std::string::npos) << Hive();
  EXPECT_NE(Hive().find("\"AgentLastPositionY\"=dword:00000000"), std::string::npos) << Hive();
}

TEST_F(CharacterSettingsTest, AMissingCharacterFileLoadsTheDefaultAndADamagedOneReadsNothing) {
  EXPECT_EQ(ReadWith("\"AgentFromFileSystem\"=\"" + dir_.File("weg.acz") + "\"\n").size(), 1u);
  EXPECT_EQ(Log().find("Error:"), std::string::npos) << Log();

  WriteFile(dir_.File("kaputt.acz"), "PK\x03\x04 kein Zeichen");
  std::filesystem::remove(dir_.File("trace.txt"));
  EXPECT_TRUE(ReadWith("\"AgentFromFileSystem\"=\"" + dir_.File("kaputt.acz") + "\"\n").empty());
  // The server refuses the file: no character, and the reading says so.
  EXPECT_NE(Log().find("AgantWasNotLoaded"), std::string::npos) << Log();
}

TEST_F(CharacterSettingsTest, AVoiceTheRuntimeDoesNotKnowIsLoggedAndTheCharactersOwnSpeaks) {
  EXPECT_EQ(ReadWith("\"ModeID\"=\"00000000-0000-0000-0000-000000000001\"\n"
                     "\"useStandardMode\"=dword:00000000\n")
                .size(),
            1u);
  EXPECT_NE(Log().find("SetTTSModeID=>Fehler"), std::string::npos) << Log();

  // Without "useStandardMode" the mode is not even tried.
  std::filesystem::remove(dir_.File("trace.txt"));
  EXPECT_EQ(ReadWith("\"ModeID\"=\"00000000-0000-0000-0000-000000000001\"\n").size(), 1u);
  EXPECT_EQ(Log().find("SetTTSModeID"), std::string::npos) << Log();
}

}  // namespace
}  // namespace parlotto
