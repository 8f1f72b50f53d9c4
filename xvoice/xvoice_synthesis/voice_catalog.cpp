#include "xvoice/xvoice_synthesis/voice_catalog.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <tuple>

#include "platform/com/name_based_guid.h"
#include "platform/places/diagnostics.h"

namespace parlotto::xvoice {
namespace {

// espeak-ng's audio buffer in synchronous mode: how much it hands to the
// callback at a time.
constexpr int kBufferMs = 200;

std::string FirstLanguage(const espeak_VOICE& voice) {
  // Pairs of a priority byte and a name; the first is the main language.
  if (voice.languages == nullptr || voice.languages[0] == '\0') return {};
  return std::string(voice.languages + 1);
}

}  // namespace

const VoiceCatalog& VoiceCatalog::Get() {
  static const VoiceCatalog catalog;  // initialised once, thread-safe
  return catalog;
}

VoiceCatalog::VoiceCatalog() {
  // Without DONT_EXIT espeak-ng ends the process when its data is missing.
  // Phoneme events drive the mouth shapes of lip-sync.
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMs, nullptr,
                               espeakINITIALIZE_DONT_EXIT | espeakINITIALIZE_PHONEME_EVENTS);
  if (rate <= 0) {
    ReportDiagnostic("speech runtime: espeak-ng could not be initialised (" + std::to_string(rate) +
                     "); no engine modes");
    return;
  }
  sample_rate_ = rate;
  const espeak_VOICE** voices = espeak_ListVoices(nullptr);
  for (int i = 0; voices != nullptr && voices[i] != nullptr; ++i) {
    const espeak_VOICE& voice = *voices[i];
    if (voice.identifier == nullptr || voice.identifier[0] == '\0') continue;
    EngineMode mode;
    mode.identifier = voice.identifier;
    mode.name = voice.name != nullptr ? voice.name : voice.identifier;
    mode.language = FirstLanguage(voice);
    mode.mode_id = NameBasedGuid(kModeIdNamespace, mode.identifier);
    modes_.push_back(std::move(mode));
  }
  std::sort(modes_.begin(), modes_.end(), [](const EngineMode& a, const EngineMode& b) {
    return std::tie(a.language, a.identifier) < std::tie(b.language, b.identifier);
  });
  if (modes_.empty()) {
    ReportDiagnostic("speech runtime: espeak-ng lists no voices; no engine modes");
    return;
  }
  default_mode_ = 1;
  for (std::size_t i = 0; i < modes_.size(); ++i) {
    if (modes_[i].language == "de") {
      default_mode_ = static_cast<int>(i) + 1;
      break;
    }
  }
}

const EngineMode* VoiceCatalog::Mode(int number) const {
  if (number < 1 || number > count()) return nullptr;
  return &modes_[static_cast<std::size_t>(number) - 1];
}

}  // namespace parlotto::xvoice
