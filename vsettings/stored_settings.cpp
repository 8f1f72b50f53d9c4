#include "vsettings/stored_settings.h"

#include <utility>

#include "platform/registry/registry.h"
#include "settings_key/settings_key.h"

namespace parlotto::vsettings {
namespace {

// The registry's own reading rules decide the type; a value that exists but
// cannot be read as this kind has the wrong type.
template <typename T, typename Read>
Stored<T> ReadOne(const Registry& registry, const char* name, Read read) {
  Stored<T> stored;
  if (!registry.ValueExists(name)) return stored;
  try {
    stored.value = read(name);
    stored.state = ValueState::kPresent;
  } catch (const ERegistryException&) {
    stored.state = ValueState::kWrongType;
  }
  return stored;
}

Stored<std::int32_t> ReadInteger(const Registry& registry, const char* name) {
  return ReadOne<std::int32_t>(registry, name,
                               [&](const char* n) { return registry.ReadInteger(n); });
}

Stored<bool> ReadBool(const Registry& registry, const char* name) {
  return ReadOne<bool>(registry, name, [&](const char* n) { return registry.ReadBool(n); });
}

Stored<std::string> ReadString(const Registry& registry, const char* name) {
  return ReadOne<std::string>(registry, name,
                              [&](const char* n) { return registry.ReadString(n); });
}

bool NamesNoAgent(const std::vector<SettingChange>& changes) {
  for (const SettingChange& change : changes) {
    if (change.name == kNoAgentValue) return true;
  }
  return false;
}

void Apply(Registry& registry, const SettingChange& change) {
  switch (change.kind) {
    case SettingChange::Kind::kInteger:
      registry.WriteInteger(change.name, change.number);
      break;
    case SettingChange::Kind::kBoolean:
      registry.WriteBool(change.name, change.number != 0);
      break;
    case SettingChange::Kind::kString:
      registry.WriteString(change.name, change.text);
      break;
    case SettingChange::Kind::kDelete:
      // A value that is gone already is what was asked for.
      registry.DeleteValue(change.name);
      break;
  }
}

}  // namespace

StoredSettings ReadStoredSettings() {
  StoredSettings settings;
  Registry registry(RootKey::kCurrentUser);
  if (!registry.OpenKey(kSettingsKey, false)) return settings;
  settings.key_exists = true;
  settings.no_agent = ReadBool(registry, kNoAgentValue);
  settings.is_english = ReadBool(registry, kIsEnglishValue);
  settings.agent_file = ReadString(registry, kAgentFromFileSystemValue);
  settings.position_x = ReadInteger(registry, kAgentLastPositionXValue);
  settings.position_y = ReadInteger(registry, kAgentLastPositionYValue);
  settings.speed = ReadInteger(registry, kSpeedValue);
  settings.volume_left = ReadInteger(registry, kVolumeLValue);
  settings.volume_right = ReadInteger(registry, kVolumeRValue);
  settings.pitch = ReadInteger(registry, kPitchValue);
  settings.current_mode = ReadInteger(registry, kCurrentModeValue);
  settings.mode_id = ReadString(registry, kModeIdValue);
  settings.use_standard_mode = ReadBool(registry, kUseStandardModeValue);
  registry.CloseKey();
  return settings;
}

SettingChange SettingChange::Integer(std::string name, std::int32_t value) {
  SettingChange change;
  change.name = std::move(name);
  change.kind = Kind::kInteger;
  change.number = value;
  return change;
}

SettingChange SettingChange::Boolean(std::string name, bool value) {
  SettingChange change = Integer(std::move(name), value ? 1 : 0);
  change.kind = Kind::kBoolean;
  return change;
}

SettingChange SettingChange::String(std::string name, std::string value) {
  SettingChange change;
  change.name = std::move(name);
  change.kind = Kind::kString;
  change.text = std::move(value);
  return change;
}

SettingChange SettingChange::Delete(std::string name) {
  SettingChange change;
  change.name = std::move(name);
  change.kind = Kind::kDelete;
  return change;
}

bool WriteSettingChanges(const std::vector<SettingChange>& changes, std::string* error) {
  if (changes.empty()) return true;
  Registry registry(RootKey::kCurrentUser);
  const bool had_key = registry.KeyExists(kSettingsKey);
  if (!registry.OpenKey(kSettingsKey, true)) {
    *error = "Der Schlüssel HKEY_CURRENT_USER" + std::string(kSettingsKey) +
             " kann nicht angelegt werden.";
    return false;
  }
  try {
    if (!had_key && !NamesNoAgent(changes)) registry.WriteBool(kNoAgentValue, false);
    for (const SettingChange& change : changes) Apply(registry, change);
  } catch (const ERegistryException& e) {
    *error = e.what();
    registry.CloseKey();
    return false;
  }
  registry.CloseKey();
  return true;
}

}  // namespace parlotto::vsettings
