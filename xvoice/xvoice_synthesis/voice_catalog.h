// The engine modes: espeak-ng's voices, numbered 1..n in the order of their
// language and identifier, each with a mode id derived from its identifier.
// espeak-ng is initialised here, once per process, before any synthesis.
#pragma once

#include <string>
#include <vector>

#include "platform/com/guid.h"

namespace parlotto::xvoice {

struct EngineMode {
  std::string identifier;  // "gmw/de": what espeak-ng selects the voice by
  std::string name;        // "German"
  std::string language;    // "de"
  GUID mode_id;
};

// Mode ids are name-based GUIDs of the identifier in this namespace.
inline constexpr GUID kModeIdNamespace = MakeGuid("{5DA573FE-B6A1-480B-9EB6-2876A89079C8}");

class VoiceCatalog {
 public:
  // The process's catalog; the first call initialises espeak-ng and may
  // take a moment. Safe from any thread.
  static const VoiceCatalog& Get();

  // False when espeak-ng could not start (no data, no voices); then there
  // are no modes and speaking gives silence.
  bool ready() const { return sample_rate_ > 0 && !modes_.empty(); }
  int sample_rate() const { return sample_rate_; }
  int count() const { return static_cast<int>(modes_.size()); }

  // Mode `number` (1..count), or null.
  const EngineMode* Mode(int number) const;
  // The German voice "de", else mode 1; 0 when there are none.
  int DefaultMode() const { return default_mode_; }

 private:
  VoiceCatalog();

  int sample_rate_ = 0;
  std::vector<EngineMode> modes_;
  int default_mode_ = 0;
};

}  // namespace parlotto::xvoice
