// Reading order of lines laid out by hand: columns, titles across them,
// and rows that only look like columns.
#include "p2tdll/p2t_layout/columns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "p2tdll/p2t_layout/line_builder.h"

namespace parlotto::p2t {
namespace {

Word At(const std::string& text, double x, double y, double width = 60) {
  return Word{text, Box{x, y, x + width, y + 10}, 10, true};
}

std::vector<std::vector<std::string>> Order(std::vector<Word> words) {
  std::vector<std::vector<std::string>> order;
  for (const Block& block : ReadingBlocks(BuildLines(std::move(words)))) {
    order.emplace_back();
    for (const Line& line : block) order.back().push_back(line.text);
  }
  return order;
}

TEST(ReadingBlocks, ReadsTwoColumnsOneAfterTheOtherBelowATitleAcrossBoth) {
  std::vector<Word> words = {At("Der", 50, 40), At("Titel", 115, 40, 400)};
  for (int row = 0; row < 5; ++row) {
    const double y = 100 + 14 * row;
    words.push_back(At("links" + std::to_string(row), 50, y, 100));
    words.push_back(At("mitte" + std::to_string(row), 155, y, 100));
    words.push_back(At("rechts" + std::to_string(row), 300, y, 200));
  }
  words.push_back(At("Fußzeile", 50, 300, 500));
  EXPECT_EQ(
      Order(words),
      (std::vector<std::vector<std::string>>{
          {"Der Titel"},
          {"links0 mitte0", "links1 mitte1", "links2 mitte2", "links3 mitte3", "links4 mitte4"},
          {"rechts0", "rechts1", "rechts2", "rechts3", "rechts4"},
          {"Fußzeile"}}));
}

TEST(ReadingBlocks, AShortLastLineOfTheLeftColumnStaysInIt) {
  std::vector<Word> words;
  for (int row = 0; row < 4; ++row) {
    const double y = 100 + 14 * row;
    if (row < 3) words.push_back(At("L" + std::to_string(row), 50, y, 200));
    words.push_back(At("R" + std::to_string(row), 300, y, 200));
  }
  words.push_back(At("L3", 50, 142, 40));
  EXPECT_EQ(Order(words), (std::vector<std::vector<std::string>>{{"L0", "L1", "L2", "L3"},
                                                                 {"R0", "R1", "R2", "R3"}}));
}

TEST(ReadingBlocks, KeepsOneColumnWhenOnlyAFewRowsHaveAGap) {
  std::vector<Word> words;
  words.reserve(16);
  for (int row = 0; row < 12; ++row)
    words.push_back(At("Zeile" + std::to_string(row), 50, 100 + 14 * row, 450));
  // A small table of two rows inside the text.
  words.push_back(At("Name", 50, 300, 40));
  words.push_back(At("Wert", 300, 300, 40));
  words.push_back(At("Anna", 50, 314, 40));
  words.push_back(At("7", 300, 314, 40));
  const auto order = Order(words);
  ASSERT_EQ(order.size(), 1u);
  EXPECT_EQ(order[0].back(), "7");
}

TEST(BuildLines, JoinsWordsOfARowAndCutsItAtAWideGap) {
  std::vector<Word> words = {At("zwei", 95, 101, 40), At("eins", 50, 100, 40),
                             At("drei", 400, 100, 40), At("wort", 135, 100, 30)};
  words[0].space_after = false;  // "zwei" and "wort" are one word in two fonts
  const std::vector<Line> lines = BuildLines(words);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "eins zweiwort");
  EXPECT_EQ(lines[1].text, "drei");
}

}  // namespace
}  // namespace parlotto::p2t
