#include "parlotto/startup_settings.h"

#include "platform/registry/registry.h"
#include "settings_key/settings_key.h"

namespace parlotto {

StartupSettings ReadStartupSettings() {
  StartupSettings settings;
  Registry registry(RootKey::kCurrentUser);
  if (!registry.OpenKey(kSettingsKey, false)) return settings;
  try {
    settings.no_agent = registry.ReadBool(kNoAgentValue);
  } catch (const ERegistryException&) {
    settings.no_agent = true;
  }
  try {
    settings.is_english = registry.ReadBool(kIsEnglishValue);
  } catch (const ERegistryException&) {
    settings.is_english = false;
  }
  registry.CloseKey();
  return settings;
}

}  // namespace parlotto
