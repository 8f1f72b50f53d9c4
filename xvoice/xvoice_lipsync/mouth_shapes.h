// Which mouth shape an espeak-ng phoneme shows, for lip-sync. Phonemes come
// as espeak-ng's mnemonics (not IPA), as its German and English voices use
// them: "a", "A:", "aU", "Y:", "@", "pF", "dZ", "_:" ...
#pragma once

#include <string_view>

#include "contracts/speech_control/speech_control_ids.h"

namespace parlotto::xvoice {

struct PhonemeShapes {
  MouthShape start = kMouthRest;
  // A diphthong's lips move: the shape it ends in. Equal to `start` for
  // every other phoneme.
  MouthShape end = kMouthRest;
};

PhonemeShapes ShapesOfPhoneme(std::string_view mnemonic);

}  // namespace parlotto::xvoice
