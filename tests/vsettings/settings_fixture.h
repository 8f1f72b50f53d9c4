// A private user hive with the settings key, the build tree's system
// directory (speech runtime, characters) and the values of the key read
// back for comparison.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/com_runtime/apartment.h"
#include "platform/registry/reg_value.h"
#include "platform/registry/registry.h"
#include "settings_key/settings_key.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::testing {

inline constexpr const char* kGermanModeId = "D6B70618-29F4-5C3B-811E-7E1B72E131E3";

inline std::string CharacterFile() { return PARLOTTO_BUILD_DIR "/system/agent/chars/parlotto.acz"; }

// Every value of the key, each readable with its own type.
inline std::string EveryValueHive() {
  return "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
         "\"noAgent\"=dword:00000000\n"
         "\"isEnglish\"=dword:00000000\n"
         "\"AgentFromFileSystem\"=\"" +
         CharacterFile() +
         "\"\n"
         "\"AgentLastPositionX\"=dword:00000064\n"
         "\"AgentLastPositionY\"=dword:000000c8\n"
         "\"Speed\"=dword:000000c8\n"
         "\"VolumeL\"=dword:00008000\n"
         "\"VolumeR\"=dword:0000ffff\n"
         "\"Pitch\"=dword:00000078\n"
         "\"CurrentMode\"=dword:00000001\n"
         "\"ModeID\"=\"" +
         std::string(kGermanModeId) +
         "\"\n"
         "\"useStandardMode\"=dword:00000000\n";
}

// Every value present with a type the program cannot read it as.
inline constexpr const char* kWrongTypeHive =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
    "\"noAgent\"=\"ja\"\n"
    "\"isEnglish\"=\"nein\"\n"
    "\"AgentFromFileSystem\"=dword:00000001\n"
    "\"AgentLastPositionX\"=\"links\"\n"
    "\"AgentLastPositionY\"=\"oben\"\n"
    "\"Speed\"=\"schnell\"\n"
    "\"VolumeL\"=hex:01,02\n"
    "\"VolumeR\"=\"laut\"\n"
    "\"Pitch\"=\"hoch\"\n"
    "\"CurrentMode\"=\"eins\"\n"
    "\"ModeID\"=dword:00000002\n"
    "\"useStandardMode\"=\"immer\"\n";

// The key without any value.
inline constexpr const char* kEmptyKeyHive =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n";

class SettingsFixture : public ::testing::Test {
 protected:
  SettingsFixture()
      : hive_(dir_.File("user.reg")),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system") {
    CoInitialize(nullptr);
  }

  void Hive(const std::string& text) { WriteFile(hive_, text); }
  std::string HiveText() const { return ReadFile(hive_); }

  // The key's values as "REG_DWORD 200", "REG_SZ text"; absent without the key.
  static std::map<std::string, std::string> KeyValues() {
    std::map<std::string, std::string> values;
    Registry registry(RootKey::kCurrentUser);
    if (!registry.OpenKey(kSettingsKey, false)) return values;
    for (const std::string& name : registry.GetValueNames()) {
      RegValue value;
      registry.GetValue(name, &value);
      std::string shown = RegTypeName(value.type);
      if (value.type == RegType::kDword) shown += " " + std::to_string(value.dword);
      if (value.type == RegType::kSz || value.type == RegType::kExpandSz) shown += " " + value.text;
      values[name] = shown;
    }
    return values;
  }

  ScratchDir dir_;
  std::string hive_;
  ScopedEnv hive_env_;
  ScopedEnv system_env_;
};

}  // namespace parlotto::testing
