// Cutting texts into lines and pieces before they are spoken.
#include "parlotto/speech/text_pieces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parlotto/speech/replace_text.h"

namespace parlotto {
namespace {

TEST(SplitLines, EveryBreakKindEndsALineAndAFinalBreakAddsNone) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(SplitLines("eins\rzwei\ndrei\r\nvier"), (Lines{"eins", "zwei", "drei", "vier"}));
  EXPECT_EQ(SplitLines("eins\r\n"), (Lines{"eins"}));
  EXPECT_EQ(SplitLines("eins\n\nzwei"), (Lines{"eins", "", "zwei"}));
  EXPECT_EQ(SplitLines("eins\n\r"), (Lines{"eins", ""}));
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines(std::string("vor\0nach", 8)), (Lines{"vor"}));
}

TEST(TextPieces, CountsAndPositionsAreInCharacters) {
  EXPECT_EQ(CharacterCount("Grüße"), 5u);
  EXPECT_EQ(CharacterCount(""), 0u);
  EXPECT_EQ(FirstCharacterPosition("Ja. Nein. ", ". "), 3u);
  EXPECT_EQ(FirstCharacterPosition("Hallo. ", ". "), 6u);
  EXPECT_EQ(FirstCharacterPosition("Öl. Wasser. ", ". "), 3u);
  EXPECT_EQ(FirstCharacterPosition("keine Pause", ". "), 0u);
}

TEST(SplitLongLine, CutsAfterTheLastBlankOrBetweenCharacters) {
  using Parts = std::vector<std::string>;
  EXPECT_EQ(SplitLongLine("eins zwei drei", 9), (Parts{"eins zwei", "drei"}));
  EXPECT_EQ(SplitLongLine("eins zwei drei", 8), (Parts{"eins", "zwei", "drei"}));
  EXPECT_EQ(SplitLongLine("kurz", 9), Parts{"kurz"});
  // Without a blank, never inside a character.
  EXPECT_EQ(SplitLongLine("ääääää", 4), (Parts{"ääää", "ää"}));
  EXPECT_EQ(SplitLongLine(std::string(10, 'x'), 4), (Parts{"xxxx", "xxxx", "xx"}));
}

}  // namespace
}  // namespace parlotto
