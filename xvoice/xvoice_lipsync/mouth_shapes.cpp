#include "xvoice/xvoice_lipsync/mouth_shapes.h"

#include <array>

namespace parlotto::xvoice {
namespace {

struct Diphthong {
  std::string_view mnemonic;
  MouthShape start;
  MouthShape end;
};

// Diphthongs of the German and English voices, matched by their start;
// longer mnemonics first ("aI@" before "aI").
constexpr std::array kDiphthongs = {
    Diphthong{"aI@", kMouthOpen, kMouthMid},     // English "fire"
    Diphthong{"aU@", kMouthOpen, kMouthMid},     // English "hour"
    Diphthong{"aI", kMouthOpen, kMouthNarrow},   // "ei", "my"
    Diphthong{"aU", kMouthOpen, kMouthRound},    // "au", "now"
    Diphthong{"OY", kMouthRound, kMouthNarrow},  // "eu", "äu"
    Diphthong{"OI", kMouthRound, kMouthNarrow},  // English "boy"
    Diphthong{"eI", kMouthMid, kMouthNarrow},    // English "day"
    Diphthong{"oU", kMouthRound, kMouthRound},   // English "go"
    Diphthong{"e@", kMouthMid, kMouthMid},       // English "hair"
    Diphthong{"i@", kMouthNarrow, kMouthMid},    // English "near"
    Diphthong{"I@", kMouthNarrow, kMouthMid},
    Diphthong{"U@", kMouthRound, kMouthMid},  // English "poor"
};

// Every other phoneme by its first character; what is not listed is shown
// by tongue and teeth.
struct FirstCharacter {
  char c;
  MouthShape shape;
};
constexpr std::array kByFirst = {
    FirstCharacter{'_', kMouthRest},  // pauses, the glottal stop "_!"
    FirstCharacter{'a', kMouthOpen},     FirstCharacter{'A', kMouthOpen},
    FirstCharacter{'&', kMouthOpen},  // English "cat"
    FirstCharacter{'V', kMouthOpen},  // English "cup"
    FirstCharacter{'e', kMouthMid},      FirstCharacter{'E', kMouthMid},
    FirstCharacter{'@', kMouthMid},      FirstCharacter{'3', kMouthMid},
    FirstCharacter{'i', kMouthNarrow},   FirstCharacter{'I', kMouthNarrow},
    FirstCharacter{'j', kMouthNarrow},   FirstCharacter{'o', kMouthRound},
    FirstCharacter{'O', kMouthRound},    FirstCharacter{'0', kMouthRound},  // English "hot"
    FirstCharacter{'u', kMouthRound},    FirstCharacter{'U', kMouthRound},
    FirstCharacter{'y', kMouthRound},    FirstCharacter{'Y', kMouthRound},  // ü
    FirstCharacter{'2', kMouthRound},    FirstCharacter{'9', kMouthRound},  // ö
    FirstCharacter{'w', kMouthRound},    FirstCharacter{'W', kMouthRound},
    FirstCharacter{'m', kMouthClosed},   FirstCharacter{'b', kMouthClosed},
    FirstCharacter{'p', kMouthClosed},  // also "pF"
    FirstCharacter{'f', kMouthLipTeeth}, FirstCharacter{'v', kMouthLipTeeth},
};

}  // namespace

PhonemeShapes ShapesOfPhoneme(std::string_view mnemonic) {
  if (mnemonic.empty()) return {kMouthRest, kMouthRest};
  for (const Diphthong& d : kDiphthongs) {
    if (mnemonic.substr(0, d.mnemonic.size()) == d.mnemonic) return {d.start, d.end};
  }
  for (const FirstCharacter& f : kByFirst) {
    if (mnemonic.front() == f.c) return {f.shape, f.shape};
  }
  return {kMouthTongue, kMouthTongue};
}

}  // namespace parlotto::xvoice
