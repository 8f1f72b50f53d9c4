// The user's settings: one registry key and the values in it. The settings
// program writes them; this program reads them when it needs them and writes
// only the character's last position.
#pragma once

namespace parlotto {

// Absolute (leading backslash) under HKEY_CURRENT_USER.
inline constexpr const char* kSettingsKey = "\\Software\\Zentravol\\Agent";

// Booleans (REG_DWORD, non-zero is true).
inline constexpr const char* kNoAgentValue = "noAgent";
inline constexpr const char* kIsEnglishValue = "isEnglish";
inline constexpr const char* kUseStandardModeValue = "useStandardMode";
// Strings (REG_SZ or REG_EXPAND_SZ; missing reads as empty).
inline constexpr const char* kAgentFromFileSystemValue = "AgentFromFileSystem";
inline constexpr const char* kModeIdValue = "ModeID";
// Integers (REG_DWORD).
inline constexpr const char* kAgentLastPositionXValue = "AgentLastPositionX";
inline constexpr const char* kAgentLastPositionYValue = "AgentLastPositionY";
inline constexpr const char* kSpeedValue = "Speed";
inline constexpr const char* kVolumeLValue = "VolumeL";
inline constexpr const char* kVolumeRValue = "VolumeR";
inline constexpr const char* kPitchValue = "Pitch";
inline constexpr const char* kCurrentModeValue = "CurrentMode";

}  // namespace parlotto
