// Joining printed lines: which hyphens at a line end go and which stay.
#include "p2tdll/p2t_layout/hyphenation.h"

#include <gtest/gtest.h>

namespace parlotto::p2t {
namespace {

std::string Joined(std::string first, const std::string& second) {
  AppendLine(first, second);
  return first;
}

TEST(AppendLine, MakesAWordCutAtTheLineEndWholeAgain) {
  EXPECT_EQ(Joined("die Sprach-", "ausgabe liest"), "die Sprachausgabe liest");
  EXPECT_EQ(Joined("eine Über-", "ärgerung"), "eine Überärgerung");
  EXPECT_EQ(Joined("die Sprach\xC2\xAD", "ausgabe"), "die Sprachausgabe");
  EXPECT_EQ(Joined("die Sprach\xC2\xAD", "Ausgabe"), "die SprachAusgabe");
}

TEST(AppendLine, KeepsAHyphenThatBelongsToTheText) {
  EXPECT_EQ(Joined("an der Nord-", "und Ostsee"), "an der Nord- und Ostsee");
  EXPECT_EQ(Joined("Ein-", "oder Ausgang"), "Ein- oder Ausgang");
  EXPECT_EQ(Joined("Nord-", "Ostsee-Kanal"), "Nord-Ostsee-Kanal");
  EXPECT_EQ(Joined("per E-", "Mail"), "per E-Mail");
  EXPECT_EQ(Joined("die B-", "52"), "die B-52");
}

TEST(AppendLine, PutsOneBlankBetweenLinesThatEndOtherwise) {
  EXPECT_EQ(Joined("Es war einmal", "ein König."), "Es war einmal ein König.");
  // A dash between blanks is punctuation, not a cut word.
  EXPECT_EQ(Joined("Er kam -", "und ging."), "Er kam - und ging.");
  EXPECT_EQ(Joined("Zahlen 10-", "20"), "Zahlen 10- 20");
  EXPECT_EQ(Joined("", "Anfang"), "Anfang");
  EXPECT_EQ(Joined("Ende", ""), "Ende");
}

TEST(EndsWithHyphen, IsTrueOnlyAfterALetter) {
  EXPECT_TRUE(EndsWithHyphen("Sprach-"));
  EXPECT_TRUE(
      EndsWithHyphen("Grö\xC3\x9F"
                     "en-"));
  EXPECT_TRUE(EndsWithHyphen("Sprach\xC2\xAD"));
  EXPECT_FALSE(EndsWithHyphen("kam -"));
  EXPECT_FALSE(EndsWithHyphen("10-"));
  EXPECT_FALSE(EndsWithHyphen("-"));
  EXPECT_FALSE(EndsWithHyphen(""));
}

}  // namespace
}  // namespace parlotto::p2t
