// Hives that cannot be fully read are never overwritten blindly.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "registry_fixture.h"
#include "support/obey_file_modes.h"

namespace parlotto {
namespace {

using RegistryDamage = RegistryTest;
using Names = std::vector<std::string>;

const std::string kDamaged =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "\"Stray\"=\"before any section\"\n"  // line 3: the first bad one
    "[HKEY_CURRENT_USER\\Software\\A]\n"
    "\"Good\"=dword:00000001\n"
    "this is no registry line\n"
    "\"Also\"=\"yes\"\n"
    "\"BadDword\"=dword:xyz\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Foreign]\n"
    "\"Foreign\"=\"no\"\n" +
    std::string("\x01\x02\xff\0junk\n", 9) +
    "[HKEY_CURRENT_USER\\Software\\B]\n"
    "\"Whole\"=\"kept\"\n"
    "\"Cut\"=\"the file ends in the mid";

TEST_F(RegistryDamage, KeepsWhatIsReadableAndBacksUpOnce) {
  WriteHive(kDamaged);
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\A", false));
  EXPECT_EQ(reg.ReadInteger("Good"), 1);
  EXPECT_EQ(reg.ReadString("Also"), "yes");
  EXPECT_EQ(reg.GetValueNames(), (Names{"Good", "Also"}));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Foreign"));
  ASSERT_TRUE(reg.OpenKey("\\Software\\B", false));
  EXPECT_EQ(reg.GetValueNames(), Names{"Whole"});
  // Reading reports the damage and changes nothing.
  ASSERT_EQ(diagnostics_.size(), 1u);
  EXPECT_NE(diagnostics_[0].find(HivePath()), std::string::npos);
  EXPECT_NE(diagnostics_[0].find("line 3"), std::string::npos);
  const std::string backup = HivePath() + ".damaged";
  EXPECT_FALSE(std::filesystem::exists(backup));

  reg.WriteInteger("New", 5);
  ASSERT_EQ(diagnostics_.size(), 2u);
  EXPECT_NE(diagnostics_[1].find(backup), std::string::npos);
  EXPECT_EQ(testing::ReadFile(backup), kDamaged);

  // The rewritten file holds the readable values and the new one, cleanly.
  RegValue value;
  ASSERT_TRUE(ReadFromFreshCopy("\\Software\\A", "Good", &value));
  EXPECT_EQ(value.dword, 1u);
  ASSERT_TRUE(ReadFromFreshCopy("\\Software\\B", "New", &value));
  EXPECT_EQ(value.dword, 5u);
  EXPECT_EQ(diagnostics_.size(), 2u);

  reg.WriteInteger("Newer", 6);
  EXPECT_EQ(diagnostics_.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(backup + ".1"));
}

TEST_F(RegistryDamage, EarlierBackupsAreNeverOverwritten) {
  const std::string backup = HivePath() + ".damaged";
  testing::WriteFile(backup, "an earlier backup");
  // Without its header line the file is damaged from line 1.
  const std::string text = "[HKEY_CURRENT_USER\\Software\\A]\n\"Good\"=dword:00000001\n";
  WriteHive(text);
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\A", false));
  reg.WriteInteger("New", 1);
  EXPECT_EQ(testing::ReadFile(backup), "an earlier backup");
  EXPECT_EQ(testing::ReadFile(backup + ".1"), text);
  ASSERT_EQ(diagnostics_.size(), 2u);
  EXPECT_NE(diagnostics_[0].find("line 1"), std::string::npos);
  EXPECT_NE(diagnostics_[1].find(backup + ".1"), std::string::npos);
  EXPECT_EQ(reg.ReadInteger("Good"), 1);
}

TEST_F(RegistryDamage, InvalidUtf8IsKeptNotTreatedAsDamage) {
  WriteHive(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\\xC4pfel]\n"
      "\"Name\"=\"\xFF\xFE latin-1 \xE4\"\n");
  Registry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software\\\xC4pfel", false));
  EXPECT_EQ(reg.ReadString("Name"), "\xFF\xFE latin-1 \xE4");
  reg.WriteInteger("Other", 1);
  EXPECT_TRUE(diagnostics_.empty());
  EXPECT_FALSE(std::filesystem::exists(HivePath() + ".damaged"));
  EXPECT_NE(HiveText().find("\"Name\"=\"\xFF\xFE latin-1 \xE4\"\n"), std::string::npos);
}

// Checks that nothing replaced the unreadable hive and that reads reported
// it once.
void ExpectWritesFail(const std::vector<std::string>& diagnostics) {
  Registry reg;
  EXPECT_FALSE(reg.OpenKey("\\Software\\A", false));
  EXPECT_EQ(reg.ReadString("Anything"), "");
  EXPECT_FALSE(reg.OpenKey("\\Software\\A", true));
  EXPECT_FALSE(reg.DeleteKey("\\Software"));
  ASSERT_TRUE(reg.OpenKey("\\", false));
  EXPECT_THROW(reg.WriteInteger("Root", 1), ERegistryException);
  EXPECT_EQ(diagnostics.size(), 1u);
}

TEST_F(RegistryDamage, ADirectoryInPlaceOfTheHiveIsLeftAlone) {
  std::filesystem::create_directory(HivePath());
  testing::WriteFile(HivePath() + "/inside", "data");
  ExpectWritesFail(diagnostics_);
  EXPECT_TRUE(std::filesystem::is_directory(HivePath()));
  EXPECT_EQ(testing::ReadFile(HivePath() + "/inside"), "data");
}

TEST_F(RegistryDamage, AnUnreadableHiveIsNeverReplaced) {
  testing::ObeyFileModes obey;
  if (!obey.active()) GTEST_SKIP() << "root reads files regardless of mode";
  const std::string text =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Keep]\n\"V\"=\"1\"\n";
  WriteHive(text);
  ASSERT_EQ(chmod(HivePath().c_str(), 0), 0);
  ExpectWritesFail(diagnostics_);
  ASSERT_EQ(chmod(HivePath().c_str(), 0600), 0);
  EXPECT_EQ(HiveText(), text);
}

}  // namespace
}  // namespace parlotto
