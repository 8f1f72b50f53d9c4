#include "p2tdll/p2t_layout/line_builder.h"

#include <algorithm>

namespace parlotto::p2t {
namespace {

// Wider than any word space of justified text, narrower than a gutter.
constexpr double kGapInFontSizes = 1.5;

struct Row {
  Box box;
  std::vector<Word> words;
};

bool SameRow(const Box& row, const Box& word) {
  const double overlap = std::min(row.y1, word.y1) - std::max(row.y0, word.y0);
  const double smaller = std::min(row.Height(), word.Height());
  return smaller > 0 ? overlap >= 0.5 * smaller : overlap >= 0;
}

Line StartLine(const Word& word) { return Line{word.text, word.box, word.font_size}; }

void Extend(Line& line, const Word& previous, const Word& word) {
  if (previous.space_after) line.text += ' ';
  line.text += word.text;
  line.box.x1 = std::max(line.box.x1, word.box.x1);
  line.box.y0 = std::min(line.box.y0, word.box.y0);
  line.box.y1 = std::max(line.box.y1, word.box.y1);
  line.font_size = std::max(line.font_size, word.font_size);
}

void CutIntoLines(Row& row, std::vector<Line>& lines) {
  std::sort(row.words.begin(), row.words.end(),
            [](const Word& a, const Word& b) { return a.box.x0 < b.box.x0; });
  const Word* previous = nullptr;
  for (const Word& word : row.words) {
    const double size = std::max(word.font_size, word.box.Height() * 0.8);
    if (previous == nullptr || word.box.x0 - previous->box.x1 > kGapInFontSizes * size) {
      lines.push_back(StartLine(word));
    } else {
      Extend(lines.back(), *previous, word);
    }
    previous = &word;
  }
}

}  // namespace

std::vector<Line> BuildLines(std::vector<Word> words) {
  std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
    return a.box.y0 != b.box.y0 ? a.box.y0 < b.box.y0 : a.box.x0 < b.box.x0;
  });
  std::vector<Row> rows;
  for (Word& word : words) {
    if (word.text.empty()) continue;
    // Words come by their tops, so only the last few rows can still take one.
    Row* home = nullptr;
    for (size_t i = rows.size(); i-- > 0 && i + 4 >= rows.size();) {
      if (SameRow(rows[i].box, word.box)) {
        home = &rows[i];
        break;
      }
    }
    if (home == nullptr) {
      rows.push_back(Row{word.box, {}});
      home = &rows.back();
    }
    home->box.y0 = std::min(home->box.y0, word.box.y0);
    home->box.y1 = std::max(home->box.y1, word.box.y1);
    home->words.push_back(std::move(word));
  }
  std::vector<Line> lines;
  for (Row& row : rows) CutIntoLines(row, lines);
  return lines;
}

}  // namespace parlotto::p2t
