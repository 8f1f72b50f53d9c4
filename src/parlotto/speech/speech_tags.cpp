// The speech parameters the character's voice gets in front of every piece.
#include <string>

#include "parlotto/vocato_form.h"
#include "platform/registry/registry.h"
#include "settings_key/settings_key.h"

namespace parlotto {

void TVocatoForm::BuildSpeechTags() {
  Registry registry(RootKey::kCurrentUser);
  // Without the key the tags stay as they were.
  if (!registry.OpenKey(kSettingsKey, false)) return;
  try {
    const std::int32_t speed = registry.ReadInteger(kSpeedValue);
    const std::int32_t volume_left = registry.ReadInteger(kVolumeLValue);
    const std::int32_t volume_right = registry.ReadInteger(kVolumeRValue);
    const std::int32_t pitch = registry.ReadInteger(kPitchValue);
    // The mean of both channels, rounded toward zero; in 64 bits so that
    // two large values cannot overflow.
    const long long volume = (static_cast<long long>(volume_left) + volume_right) / 2;
    speed_tag = " \\Spd=" + std::to_string(speed) + "\\ ";
    volume_tag = " \\Vol=" + std::to_string(volume) + "\\ ";
    pitch_tag = " \\Pit=" + std::to_string(pitch) + "\\ ";
  } catch (const ERegistryException&) {
    // One missing value and the engine's own values apply to all three.
    speed_tag.clear();
    volume_tag.clear();
    pitch_tag.clear();
  }
  registry.CloseKey();
}

}  // namespace parlotto
