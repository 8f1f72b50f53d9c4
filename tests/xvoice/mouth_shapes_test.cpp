// Phonemes of the German and English voices to mouth shapes.
#include "xvoice/mouth_shapes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace parlotto::xvoice {
namespace {

MouthShape Start(const char* mnemonic) { return ShapesOfPhoneme(mnemonic).start; }

TEST(MouthShapesTest, VowelsShowTheirOpeningAndRounding) {
  // German, as espeak-ng spells "Mama baut ein schönes Bücher euer Öl".
  for (const char* open : {"a", "A", "A:", "a#", "&", "V"})
    EXPECT_EQ(Start(open), kMouthOpen) << open;
  for (const char* mid : {"E", "E:", "e:", "@", "3", "3:"}) EXPECT_EQ(Start(mid), kMouthMid) << mid;
  for (const char* narrow : {"i:", "I", "i", "j"}) EXPECT_EQ(Start(narrow), kMouthNarrow) << narrow;
  // ü and ö are rounded like o and u.
  for (const char* round : {"o:", "O", "u:", "U", "y:", "Y", "Y:", "2:", "9", "0", "O:", "w"}) {
    EXPECT_EQ(Start(round), kMouthRound) << round;
  }
}

TEST(MouthShapesTest, DiphthongsMoveFromTheirFirstToTheirSecondShape) {
  EXPECT_EQ(ShapesOfPhoneme("aU").start, kMouthOpen);
  EXPECT_EQ(ShapesOfPhoneme("aU").end, kMouthRound);
  EXPECT_EQ(ShapesOfPhoneme("aI").end, kMouthNarrow);
  EXPECT_EQ(ShapesOfPhoneme("OY").start, kMouthRound);
  EXPECT_EQ(ShapesOfPhoneme("OY").end, kMouthNarrow);
  EXPECT_EQ(ShapesOfPhoneme("eI").start, kMouthMid);
  EXPECT_EQ(ShapesOfPhoneme("aI@").end, kMouthMid);
  // A plain vowel stays as it is.
  EXPECT_EQ(ShapesOfPhoneme("a").end, kMouthOpen);
  EXPECT_EQ(ShapesOfPhoneme("A:").end, kMouthOpen);
}

TEST(MouthShapesTest, ConsonantsByTheirLipsAndPausesRest) {
  for (const char* closed : {"m", "b", "p", "pF"}) EXPECT_EQ(Start(closed), kMouthClosed) << closed;
  for (const char* teeth : {"f", "v"}) EXPECT_EQ(Start(teeth), kMouthLipTeeth) << teeth;
  for (const char* tongue : {"t", "d", "s", "z", "n",  "l",  "r",  "k", "g", "S",
                             "C", "x", "h", "N", "ts", "tS", "dZ", "D", "T", "?"}) {
    EXPECT_EQ(Start(tongue), kMouthTongue) << tongue;
  }
  for (const char* pause : {"_", "_:", "_!", "_|", ""})
    EXPECT_EQ(Start(pause), kMouthRest) << pause;
}

}  // namespace
}  // namespace parlotto::xvoice
