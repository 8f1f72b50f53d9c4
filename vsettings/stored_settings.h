// The settings key as the settings program sees it: every value with
// whether it is there, has the wrong type or is missing, and the changes the
// user made, written back as a batch. No widgets here, so that the rules can
// be tested without a dialog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace parlotto::vsettings {

enum class ValueState { kMissing, kWrongType, kPresent };

template <typename T>
struct Stored {
  ValueState state = ValueState::kMissing;
  T value{};

  bool present() const { return state == ValueState::kPresent; }
};

struct StoredSettings {
  bool key_exists = false;
  Stored<bool> no_agent;
  Stored<bool> is_english;
  Stored<std::string> agent_file;
  Stored<std::int32_t> position_x;
  Stored<std::int32_t> position_y;
  Stored<std::int32_t> speed;
  Stored<std::int32_t> volume_left;
  Stored<std::int32_t> volume_right;
  Stored<std::int32_t> pitch;
  Stored<std::int32_t> current_mode;
  Stored<std::string> mode_id;
  Stored<bool> use_standard_mode;
};

// Reads the settings key of the current user's hive without creating it.
// Integers and Booleans must be REG_DWORD, strings REG_SZ or REG_EXPAND_SZ;
// anything else there is kWrongType.
StoredSettings ReadStoredSettings();

// One value to write or to delete.
struct SettingChange {
  enum class Kind { kInteger, kBoolean, kString, kDelete };
  std::string name;
  Kind kind = Kind::kInteger;
  std::int32_t number = 0;  // kInteger; kBoolean: 0 or 1
  std::string text;         // kString

  static SettingChange Integer(std::string name, std::int32_t value);
  static SettingChange Boolean(std::string name, bool value);
  static SettingChange String(std::string name, std::string value);
  static SettingChange Delete(std::string name);
};

// Writes `changes` into the settings key, creating the key when there are
// changes and it is missing. A new key also gets "noAgent" 0 unless the
// changes name it: the program runs with the character when the key is
// missing but without it when the key lacks "noAgent", so creating the key
// alone must not switch the character off. False with `error` when the hive
// cannot be written.
bool WriteSettingChanges(const std::vector<SettingChange>& changes, std::string* error);

}  // namespace parlotto::vsettings
