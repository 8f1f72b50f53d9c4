// Where paragraphs end, inside a block and across blocks.
#include "p2tdll/p2t_layout/paragraphs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace parlotto::p2t {
namespace {

// A line at row `row` of a block whose lines are 14 pt apart, from x0 to x1.
Line Row(const std::string& text, int row, double x0 = 50, double x1 = 300, double size = 10) {
  const double y = 100 + 14 * row;
  return Line{text, Box{x0, y, x1, y + size}, size};
}

std::vector<std::string> All(ParagraphJoiner& joiner, const std::vector<Block>& blocks) {
  std::vector<std::string> paragraphs;
  for (const Block& block : blocks) {
    for (std::string& p : joiner.Add(block)) paragraphs.push_back(std::move(p));
  }
  for (std::string& p : joiner.Finish()) paragraphs.push_back(std::move(p));
  return paragraphs;
}

TEST(ParagraphJoiner, EndsAParagraphAtAShortLineAGapAnIndentOrANewFontSize) {
  ParagraphJoiner joiner;
  const Block block = {Row("Überschrift", 0, 50, 200, 14), Row("Die erste Zeile geht", 1),
                       Row("bis hierher.", 2, 50, 120),    Row("Nach der Lücke", 4),
                       Row("noch eine Zeile und", 5),      Row("das Ende.", 6, 50, 260),
                       Row("Eingerückt beginnt", 7, 70),   Row("der dritte Absatz.", 8, 50, 140)};
  EXPECT_EQ(All(joiner, {block}),
            (std::vector<std::string>{"Überschrift", "Die erste Zeile geht bis hierher.",
                                      "Nach der Lücke noch eine Zeile und das Ende.",
                                      "Eingerückt beginnt der dritte Absatz."}));
}

TEST(ParagraphJoiner, ContinuesASentenceIntoTheNextColumnOrPageButNotIntoAHeading) {
  ParagraphJoiner joiner;
  const Block first = {Row("Ganz oben.", 0, 50, 120), Row("Der Satz läuft", 1),
                       Row("über das Ende der", 2)};
  const Block second = {Row("Spalte hinaus.", 0, 50, 140)};
  const Block hyphen_first = {Row("Ein neuer Absatz mit Sprach-", 0)};
  const Block hyphen_second = {Row("ausgabe.", 0, 50, 90)};
  const Block closed = {Row("Das ist ein ganzer Satz.", 0), Row("Und noch einer, der", 1)};
  const Block lower = {Row("kleingeschrieben beginnt.", 0, 50, 200)};
  // A heading in the body's own font, alone in its block.
  const Block plain_heading = {Row("Einleitung", 0, 50, 110)};
  const Block body = {Row("Der Text beginnt hier und", 0), Row("endet hier.", 1, 50, 120)};
  EXPECT_EQ(
      All(joiner, {first, second, hyphen_first, hyphen_second}),
      (std::vector<std::string>{"Ganz oben.", "Der Satz läuft über das Ende der Spalte hinaus.",
                                "Ein neuer Absatz mit Sprachausgabe."}));
  ParagraphJoiner second_joiner;
  const Block heading = {Row("Neue Überschrift", 0, 50, 200, 14)};
  EXPECT_EQ(All(second_joiner, {closed, heading, lower}),
            (std::vector<std::string>{"Das ist ein ganzer Satz. Und noch einer, der",
                                      "Neue Überschrift", "kleingeschrieben beginnt."}));
}

}  // namespace
}  // namespace parlotto::p2t
