// Reading the settings key with the types the program reads it with, and
// writing back only the changes.
#include "vsettings/stored_settings.h"

#include <gtest/gtest.h>

#include "vsettings/settings_fixture.h"

namespace parlotto::vsettings {
namespace {

using testing::SettingsFixture;

using StoredSettingsTest = SettingsFixture;

TEST_F(StoredSettingsTest, ReadsEveryValueWithItsType) {
  Hive(testing::EveryValueHive());
  const StoredSettings stored = ReadStoredSettings();
  ASSERT_TRUE(stored.key_exists);
  EXPECT_TRUE(stored.no_agent.present());
  EXPECT_FALSE(stored.no_agent.value);
  EXPECT_TRUE(stored.is_english.present());
  EXPECT_EQ(stored.agent_file.value, testing::CharacterFile());
  EXPECT_EQ(stored.position_x.value, 100);
  EXPECT_EQ(stored.position_y.value, 200);
  EXPECT_EQ(stored.speed.value, 200);
  EXPECT_EQ(stored.volume_left.value, 32768);
  EXPECT_EQ(stored.volume_right.value, 65535);
  EXPECT_EQ(stored.pitch.value, 120);
  EXPECT_EQ(stored.current_mode.value, 1);
  EXPECT_EQ(stored.mode_id.value, testing::kGermanModeId);
  EXPECT_TRUE(stored.use_standard_mode.present());
  EXPECT_FALSE(stored.use_standard_mode.value);
}

TEST_F(StoredSettingsTest, TellsValuesOfTheWrongTypeFromMissingOnes) {
  Hive(testing::kWrongTypeHive);
  StoredSettings stored = ReadStoredSettings();
  ASSERT_TRUE(stored.key_exists);
  for (ValueState state :
       {stored.no_agent.state, stored.is_english.state, stored.agent_file.state,
        stored.position_x.state, stored.position_y.state, stored.speed.state,
        stored.volume_left.state, stored.volume_right.state, stored.pitch.state,
        stored.current_mode.state, stored.mode_id.state, stored.use_standard_mode.state}) {
    EXPECT_EQ(state, ValueState::kWrongType);
  }

  Hive(testing::kEmptyKeyHive);
  stored = ReadStoredSettings();
  EXPECT_TRUE(stored.key_exists);
  EXPECT_EQ(stored.speed.state, ValueState::kMissing);
  EXPECT_EQ(stored.agent_file.state, ValueState::kMissing);

  Hive("Windows Registry Editor Version 5.00\n");
  EXPECT_FALSE(ReadStoredSettings().key_exists);
}

TEST_F(StoredSettingsTest, WritesTheChangesAndLeavesEveryOtherValue) {
  Hive(testing::kWrongTypeHive);
  auto before = KeyValues();
  std::string error;
  ASSERT_TRUE(WriteSettingChanges(
      {SettingChange::Integer("Speed", 300), SettingChange::String("ModeID", "ABC"),
       SettingChange::Delete("AgentLastPositionX")},
      &error))
      << error;
  auto after = KeyValues();
  before["Speed"] = "REG_DWORD 300";
  before["ModeID"] = "REG_SZ ABC";
  before.erase("AgentLastPositionX");
  EXPECT_EQ(after, before);
}

TEST_F(StoredSettingsTest, NoChangesLeaveTheHiveAndAMissingKeyAlone) {
  Hive("Windows Registry Editor Version 5.00\n");
  const std::string text = HiveText();
  std::string error;
  ASSERT_TRUE(WriteSettingChanges({}, &error));
  EXPECT_EQ(HiveText(), text);
  EXPECT_FALSE(ReadStoredSettings().key_exists);
}

TEST_F(StoredSettingsTest, ANewKeyKeepsTheCharacterUnlessTheChangeSaysOtherwise) {
  // Without the key the program runs with the character; a key without
  // "noAgent" would switch it off.
  Hive("Windows Registry Editor Version 5.00\n");
  std::string error;
  ASSERT_TRUE(WriteSettingChanges({SettingChange::Integer("Pitch", 90)}, &error));
  EXPECT_EQ(KeyValues(), (std::map<std::string, std::string>{{"noAgent", "REG_DWORD 0"},
                                                             {"Pitch", "REG_DWORD 90"}}));

  Hive("Windows Registry Editor Version 5.00\n");
  ASSERT_TRUE(WriteSettingChanges({SettingChange::Boolean("noAgent", true)}, &error));
  EXPECT_EQ(KeyValues(), (std::map<std::string, std::string>{{"noAgent", "REG_DWORD 1"}}));

  // An existing key without "noAgent" stays without it.
  Hive(testing::kEmptyKeyHive);
  ASSERT_TRUE(WriteSettingChanges({SettingChange::Integer("Pitch", 90)}, &error));
  EXPECT_EQ(KeyValues(), (std::map<std::string, std::string>{{"Pitch", "REG_DWORD 90"}}));
}

TEST_F(StoredSettingsTest, AHiveThatCannotBeWrittenIsReported) {
  // A hive below a plain file can be neither read nor written.
  Hive(testing::kEmptyKeyHive);
  const std::string below_file = hive_ + "/user.reg";
  testing::ScopedEnv unwritable("PARLOTTO_USER_HIVE", below_file.c_str());
  std::string error;
  EXPECT_FALSE(WriteSettingChanges({SettingChange::Integer("Pitch", 90)}, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace parlotto::vsettings
