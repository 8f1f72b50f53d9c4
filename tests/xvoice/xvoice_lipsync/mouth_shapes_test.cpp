// Phonemes of the German and English voices to mouth shapes, as espeak-ng
// spells words ("espeak-ng -x").
#include "xvoice/xvoice_lipsync/mouth_shapes.h"

#include <gtest/gtest.h>

#include <vector>

namespace parlotto::xvoice {
namespace {

std::vector<MouthShape> Starts(const std::vector<const char*>& phonemes) {
  std::vector<MouthShape> shapes;
  shapes.reserve(phonemes.size());
  for (const char* phoneme : phonemes) shapes.push_back(ShapesOfPhoneme(phoneme).start);
  return shapes;
}

TEST(MouthShapesTest, WordsOfBothVoicesShowTheirLipsAndPausesRest) {
  // "Mama baut Öl": m'AmA: b'aUt _!'2:l, then espeak-ng's pause.
  EXPECT_EQ(Starts({"m", "A", "m", "A:", "b", "aU", "t", "_!", "2:", "l", "_:"}),
            (std::vector<MouthShape>{kMouthClosed, kMouthOpen, kMouthClosed, kMouthOpen,
                                     kMouthClosed, kMouthOpen, kMouthTongue, kMouthRest,
                                     kMouthRound, kMouthTongue, kMouthRest}));
  // "five wise cups": f'aIv w'aIz k'Vps; "Pfeife": pF'aIf@; "Bücher": b'y:C3
  EXPECT_EQ(Starts({"f", "v", "w", "V", "pF", "@", "y:", "C", "3", "i:", "j"}),
            (std::vector<MouthShape>{kMouthLipTeeth, kMouthLipTeeth, kMouthRound, kMouthOpen,
                                     kMouthClosed, kMouthMid, kMouthRound, kMouthTongue, kMouthMid,
                                     kMouthNarrow, kMouthNarrow}));
}

TEST(MouthShapesTest, DiphthongsMoveFromTheirFirstToTheirSecondShape) {
  EXPECT_EQ(ShapesOfPhoneme("aU").end, kMouthRound);
  EXPECT_EQ(ShapesOfPhoneme("aI").end, kMouthNarrow);
  EXPECT_EQ(ShapesOfPhoneme("OY").start, kMouthRound);
  EXPECT_EQ(ShapesOfPhoneme("OY").end, kMouthNarrow);
  // "fire" is not "five": the longer diphthong is matched first.
  EXPECT_EQ(ShapesOfPhoneme("aI@").end, kMouthMid);
  // A plain vowel stays as it is.
  EXPECT_EQ(ShapesOfPhoneme("A:").end, kMouthOpen);
}

}  // namespace
}  // namespace parlotto::xvoice
