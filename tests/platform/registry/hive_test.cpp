// A damaged hive is reported when it is first read, once for each content.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "hive_file_fixture.h"

namespace parlotto {
namespace {

using HiveDamage = HiveFileTest;

const std::string kDamaged =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
    "\"noAgent\"=dword:00000001\n"
    "\"Speed\"=dword:fast\n"  // line 5
    "\"Pitch\"=dword:00000064\n"
    "noise\n";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Opens the settings key the way the program does at each start-up.
void OpenSettings() {
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Zentravol\\Agent", false));
  EXPECT_EQ(reg.ReadInteger("noAgent"), 1);
}

// Replaces the hive with `bytes` as a new file, as another program would.
void ReplaceWith(const std::string& path, const std::string& bytes) {
  testing::WriteFile(path + ".new", bytes);
  std::filesystem::rename(path + ".new", path);
}

TEST_F(HiveDamage, TheFirstReadReportsTheFileAndTheLine) {
  WriteHive(kDamaged);
  OpenSettings();
  ASSERT_EQ(diagnostics_.size(), 1u);
  const std::string& line = diagnostics_[0];
  EXPECT_TRUE(Contains(line, HivePath())) << line;
  EXPECT_TRUE(Contains(line, "line 5 (and 1 more line)")) << line;
  EXPECT_TRUE(Contains(line, "value data that cannot be read")) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos);
  // Reading changes nothing on disk.
  EXPECT_EQ(HiveText(), kDamaged);
  EXPECT_FALSE(std::filesystem::exists(HivePath() + ".damaged"));
}

TEST_F(HiveDamage, TheSameDamagedContentIsReportedOnlyOnce) {
  WriteHive(kDamaged);
  for (int i = 0; i < 3; ++i) OpenSettings();
  // Written anew with the same bytes: a re-read, but nothing new to say.
  ReplaceWith(HivePath(), kDamaged);
  for (int i = 0; i < 3; ++i) OpenSettings();
  EXPECT_EQ(diagnostics_.size(), 1u);

  // Other damage is news.
  ReplaceWith(HivePath(), kDamaged + "[HKEY_LOCAL_MACHINE\\Software]\n");
  OpenSettings();
  OpenSettings();
  ASSERT_EQ(diagnostics_.size(), 2u);
  EXPECT_TRUE(Contains(diagnostics_[1], "line 5 (and 2 more lines)")) << diagnostics_[1];
}

TEST_F(HiveDamage, EachProblemIsNamed) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  const std::string section = "[HKEY_CURRENT_USER\\Software\\A]\n";
  const Case cases[] = {
      {"[HKEY_CURRENT_USER\\Software\\A]\n", "line 1 could not be read: no \"Windows Registry"},
      {header + "\"V\"=dword:1\n", "line 3 could not be read: a value outside any section"},
      {header + "[HKEY_LOCAL_MACHINE\\X]\n", "line 3 could not be read: a section that is no key"},
      {header + section + "\"V\"=hex:01,\\\n", "line 4 could not be read: a value cut off"},
      {header + section + "\"V dword:1\n", "line 4 could not be read: a value name without its"},
      {header + section + "\"V\" dword:1\n",
       "line 4 could not be read: a value name without \"=\""},
      {header + section + "V=1\n", "line 4 could not be read: neither a section nor a value"},
  };
  for (const Case& c : cases) {
    diagnostics_.clear();
    ReplaceWith(HivePath(), c.text);
    Registry reg;
    reg.KeyExists("\\Software");
    ASSERT_EQ(diagnostics_.size(), 1u) << c.text;
    EXPECT_TRUE(Contains(diagnostics_[0], c.expected)) << diagnostics_[0];
  }
}

TEST_F(HiveDamage, ARewriteNamesTheBackupAndLeavesACleanFile) {
  WriteHive(kDamaged);
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\Other", true));
  ASSERT_EQ(diagnostics_.size(), 2u);
  EXPECT_TRUE(Contains(diagnostics_[0], "line 5")) << diagnostics_[0];
  EXPECT_TRUE(Contains(diagnostics_[1], HivePath() + ".damaged")) << diagnostics_[1];
  // The rewritten file is clean: later reads report nothing.
  OpenSettings();
  EXPECT_EQ(diagnostics_.size(), 2u);
}

}  // namespace
}  // namespace parlotto
