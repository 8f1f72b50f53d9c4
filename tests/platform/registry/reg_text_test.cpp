// Hive files as users bring them: the registry editor's UTF-16 export, UTF-8
// with a byte order mark or CRLF line ends, and old REGEDIT4 files.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/registry_fixture.h"

namespace parlotto {
namespace {

using Names = std::vector<std::string>;
using HiveEncoding = RegistryTest;

constexpr char kAgent[] = "\\Software\\Zentravol\\Agent";
// U+00E4 etc. spelled out, so that the test does not depend on how this
// file is encoded.
const std::string kSpeaker =
    "Gr\xC3\xBC\xC3\x9F"
    "e aus K\xC3\xB6ln \xE2\x80\x93 \xC3\x96sterreich, \xC3\x9C"
    "berma\xC3\x9F";
const std::string kCharacter =
    "%USERPROFILE%\\Figuren\\B\xC3\xA4rchen f\xC3\xBCr J\xC3\xBCrgen.acs";
const std::string kVoices = "Stimmen f\xC3\xBCr Vortr\xC3\xA4ge";

// Made the way the registry editor exports by default: UTF-16LE with a byte
// order mark, CRLF line ends, expandable strings as wrapped hex(2) lines.
std::string Utf16Export() {
  return testing::ReadFile(PARLOTTO_SOURCE_DIR
                           "/tests/platform/registry/data/zentravol-export.reg");
}

// Checks the settings of the export as the program reads them.
void ExpectExportedSettings() {
  Registry reg;
  ASSERT_TRUE(reg.OpenKey(kAgent, false));
  EXPECT_TRUE(reg.ReadBool("noAgent"));
  EXPECT_FALSE(reg.ReadBool("isEnglish"));
  EXPECT_EQ(reg.ReadInteger("Speed"), 180);
  EXPECT_EQ(reg.ReadInteger("VolumeL"), 0xffff);
  EXPECT_EQ(reg.ReadInteger("CurrentMode"), 2);
  EXPECT_EQ(reg.ReadInteger("AgentLastPositionX"), 800);
  EXPECT_EQ(reg.ReadInteger("AgentLastPositionY"), -10);
  EXPECT_EQ(reg.ReadString("ModeID"), "CA141FD0-AC7F-11D1-97A3-006008273000");
  EXPECT_EQ(reg.ReadString("AgentFromFileSystem"), kCharacter);
  RegValue value;
  ASSERT_TRUE(reg.GetValue("AgentFromFileSystem", &value));
  EXPECT_EQ(value.type, RegType::kExpandSz);
  EXPECT_EQ(reg.ReadString("Sprecher"), kSpeaker);
  EXPECT_EQ(reg.GetKeyNames(), Names{kVoices});
  ASSERT_TRUE(reg.OpenKey(kVoices, false));
  EXPECT_EQ(reg.ReadString(""), "M\xC3\xA4nnlich");
}

TEST_F(HiveEncoding, ReadsTheRegistryEditorsUtf16Export) {
  const std::string bytes = Utf16Export();
  // The fixture must stay the editor's bytes (no line end or encoding change).
  ASSERT_EQ(bytes.substr(0, 4), std::string("\xFF\xFEW\0", 4));
  ASSERT_NE(bytes.find(std::string("\r\0\n\0", 4)), std::string::npos);
  WriteHive(bytes);
  ExpectExportedSettings();
  EXPECT_TRUE(diagnostics_.empty()) << diagnostics_.front();
}

TEST_F(HiveEncoding, AWriteTurnsAUtf16HiveIntoUtf8WithEveryValueKept) {
  WriteHive(Utf16Export());
  {
    Registry reg;
    ASSERT_TRUE(reg.OpenKey(kAgent, false));
    reg.WriteInteger("AgentLastPositionX", 640);
  }
  const std::string text = HiveText();
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_NE(text.find("\"Sprecher\"=\"" + kSpeaker + "\"\n"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(HivePath() + ".damaged"));
  EXPECT_TRUE(diagnostics_.empty()) << diagnostics_.front();

  // What another process reads from the rewritten file.
  const std::string copy = scratch_.File("copy.reg");
  std::filesystem::copy_file(HivePath(), copy);
  testing::ScopedEnv env("PARLOTTO_USER_HIVE", copy.c_str());
  Registry reg;
  ASSERT_TRUE(reg.OpenKey(kAgent, false));
  EXPECT_EQ(reg.ReadInteger("AgentLastPositionX"), 640);
  EXPECT_EQ(reg.ReadInteger("AgentLastPositionY"), -10);
  EXPECT_EQ(reg.ReadString("Sprecher"), kSpeaker);
  EXPECT_EQ(reg.ReadString("AgentFromFileSystem"), kCharacter);
  EXPECT_EQ(reg.GetValueNames().size(), 12u);
  EXPECT_EQ(reg.GetKeyNames(), Names{kVoices});
}

TEST_F(HiveEncoding, TheQueryToolReadsAUtf16Hive) {
  WriteHive(Utf16Export());
  const std::string out_file = scratch_.File("out.txt");
  const std::string err_file = scratch_.File("err.txt");
  const std::string command = "'" PARLOTTO_BUILD_DIR
                              "/parlotto-reg' query 'HKCU\\Software\\Zentravol\\Agent' >'" +
                              out_file + "' 2>'" + err_file + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << testing::ReadFile(err_file);
  const std::string out = testing::ReadFile(out_file);
  EXPECT_NE(out.find("HKEY_CURRENT_USER\\Software\\Zentravol\\Agent\n"
                     "    noAgent    REG_DWORD    0x1\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("    Speed    REG_DWORD    0xb4\n"), std::string::npos) << out;
  EXPECT_NE(out.find("    Sprecher    REG_SZ    " + kSpeaker + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find("    AgentFromFileSystem    REG_EXPAND_SZ    " + kCharacter + "\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("HKEY_CURRENT_USER\\Software\\Zentravol\\Agent\\" + kVoices + "\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(testing::ReadFile(err_file), "");
}

TEST_F(HiveEncoding, Utf8WithAByteOrderMarkAndCrlfLineEndsReads) {
  WriteHive(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\r\n"
      "\"noAgent\"=dword:00000001\r\n"
      "\"Sprecher\"=\"" +
      kSpeaker + "\"\r\n\r\n");
  Registry reg;
  ASSERT_TRUE(reg.OpenKey(kAgent, false));
  EXPECT_EQ(reg.ReadInteger("noAgent"), 1);
  EXPECT_EQ(reg.ReadString("Sprecher"), kSpeaker);
  EXPECT_TRUE(diagnostics_.empty()) << diagnostics_.front();
}

TEST_F(HiveEncoding, Regedit4FilesAreReadInTheirEightBitCodePage) {
  // Windows-1252: e4 is U+00E4, 80 the euro sign; hex(2) data is 8-bit text
  // with one terminating zero.
  WriteHive(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\r\n"
      "\"Sprecher\"=\"K\xF6ln \x80\"\r\n"
      "\"AgentFromFileSystem\"=hex(2):25,41,25,5c,e4,00\r\n"
      "\"Speed\"=dword:00000096\r\n");
  Registry reg;
  ASSERT_TRUE(reg.OpenKey(kAgent, false));
  EXPECT_EQ(reg.ReadString("Sprecher"), "K\xC3\xB6ln \xE2\x82\xAC");
  EXPECT_EQ(reg.ReadString("AgentFromFileSystem"), "%A%\\\xC3\xA4");
  EXPECT_EQ(reg.ReadInteger("Speed"), 150);
  EXPECT_TRUE(diagnostics_.empty()) << diagnostics_.front();
  // Rewritten in today's form, the values stay.
  reg.WriteInteger("Pitch", 100);
  EXPECT_EQ(HiveText().rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  EXPECT_EQ(reg.ReadString("Sprecher"), "K\xC3\xB6ln \xE2\x82\xAC");
  EXPECT_EQ(reg.ReadString("AgentFromFileSystem"), "%A%\\\xC3\xA4");
}

TEST_F(HiveEncoding, AUtf16HiveCutInTheMiddleOfACharacterIsDamagedAtItsEnd) {
  std::string bytes = Utf16Export();
  bytes.pop_back();
  WriteHive(bytes);
  Registry reg;
  ASSERT_TRUE(reg.OpenKey(kAgent, false));
  EXPECT_EQ(reg.ReadInteger("Speed"), 180);
  ASSERT_EQ(diagnostics_.size(), 1u);
  EXPECT_NE(diagnostics_[0].find("UTF-16"), std::string::npos) << diagnostics_[0];
}

}  // namespace
}  // namespace parlotto
