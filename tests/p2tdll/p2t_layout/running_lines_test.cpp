// Running headers, footers and page numbers on pages built by hand.
#include "p2tdll/p2t_layout/running_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace parlotto::p2t {
namespace {

constexpr double kHeight = 800;

Line At(const std::string& text, double y) { return Line{text, Box{50, y, 300, y + 10}, 10}; }

std::vector<std::string> Texts(const std::vector<PageLines>& pages) {
  std::vector<std::string> texts;
  for (const PageLines& page : pages) {
    for (const Line& line : page.lines) texts.push_back(line.text);
  }
  return texts;
}

std::vector<std::string> Filtered(const std::vector<std::vector<Line>>& pages) {
  RunningLineFilter filter;
  std::vector<PageLines> out;
  for (const auto& lines : pages) {
    for (PageLines& page : filter.Add(PageLines{lines, kHeight})) out.push_back(std::move(page));
  }
  for (PageLines& page : filter.Finish()) out.push_back(std::move(page));
  return Texts(out);
}

TEST(RunningLineFilter, DropsLinesRepeatedAtTheSamePlaceAndKeepsTheBody) {
  std::vector<std::vector<Line>> pages;
  for (int i = 1; i <= 12; ++i) {
    pages.push_back({At("Handbuch, Kapitel 2", 30), At("Text " + std::to_string(i), 400),
                     At("Stand 2026, Seite " + std::to_string(i), 770)});
  }
  std::vector<std::string> expected;
  for (int i = 1; i <= 12; ++i) expected.push_back("Text " + std::to_string(i));
  EXPECT_EQ(Filtered(pages), expected);
}

TEST(RunningLineFilter, KeepsWhatIsRepeatedElsewhereOrOnlyOnce) {
  EXPECT_EQ(Filtered({{At("Titel", 30), At("a", 400)},
                      {At("Titel", 300), At("b", 400)},
                      {At("Vorwort", 30), At("c", 400)}}),
            (std::vector<std::string>{"Titel", "a", "Titel", "b", "Vorwort", "c"}));
  // One page: nothing is repeated, only a page number goes.
  EXPECT_EQ(Filtered({{At("Brief an Oma", 30), At("Liebe Oma", 400), At("1", 770)}}),
            (std::vector<std::string>{"Brief an Oma", "Liebe Oma"}));
}

TEST(RunningLineFilter, DropsHeadersThatAlternateBetweenLeftAndRightPages) {
  std::vector<std::vector<Line>> pages;
  for (int i = 1; i <= 10; ++i) {
    pages.push_back({At(i % 2 ? "Kapitel Eins" : "Das Buch", 30), At("Text", 400)});
  }
  EXPECT_EQ(Filtered(pages), std::vector<std::string>(10, "Text"));
}

TEST(IsPageNumber, KnowsTheUsualFormsAndNothingElse) {
  for (const char* number : {"7", "- 7 -", "Seite 12", "S. 3", "12 / 40", "Page 3 of 9",
                             "\xE2\x80\x93 4 \xE2\x80\x93"}) {
    EXPECT_TRUE(IsPageNumber(number)) << number;
  }
  for (const char* text : {"1914 begann der Krieg", "Kapitel 3", "", "3.", "Seite"}) {
    EXPECT_FALSE(IsPageNumber(text)) << text;
  }
}

}  // namespace
}  // namespace parlotto::p2t
