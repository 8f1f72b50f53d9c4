#include "p2tdll/p2t_layout/columns.h"

#include <algorithm>
#include <optional>

namespace parlotto::p2t {
namespace {

struct Gap {
  double from = 0;
  double to = 0;
  bool Contains(double x) const { return from <= x && x <= to; }
};

bool SideBySide(const Line& a, const Line& b) {
  return b.box.x0 > a.box.x1 && b.box.y0 < a.box.y1 && a.box.y0 < b.box.y1;
}

// The empty stretches between neighbouring lines, one list per row.
// BuildLines gives the lines of a row one after another, left to right.
std::vector<std::vector<Gap>> RowGaps(const std::vector<Line>& lines) {
  std::vector<std::vector<Gap>> rows;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i == 0 || !SideBySide(lines[i - 1], lines[i])) {
      rows.emplace_back();
      continue;
    }
    rows.back().push_back(Gap{lines[i - 1].box.x1, lines[i].box.x0});
  }
  return rows;
}

// The x of the gutter: the middle of what the gaps of most rows have in
// common, when enough rows have it.
std::optional<double> FindGutter(const std::vector<Line>& lines) {
  const std::vector<std::vector<Gap>> rows = RowGaps(lines);
  size_t best_count = 0;
  Gap best;
  for (const auto& row : rows) {
    for (const Gap& candidate : row) {
      const double middle = (candidate.from + candidate.to) / 2;
      size_t count = 0;
      Gap common{-1e9, 1e9};
      for (const auto& other : rows) {
        for (const Gap& gap : other) {
          if (!gap.Contains(middle)) continue;
          ++count;
          common.from = std::max(common.from, gap.from);
          common.to = std::min(common.to, gap.to);
          break;
        }
      }
      if (count > best_count) {
        best_count = count;
        best = common;
      }
    }
  }
  // A table row or two are no columns.
  if (best_count < 3 || best_count * 4 < rows.size()) return std::nullopt;
  return (best.from + best.to) / 2;
}

}  // namespace

std::vector<Block> ReadingBlocks(const std::vector<Line>& lines) {
  std::vector<Block> blocks;
  const std::optional<double> gutter = FindGutter(lines);
  if (!gutter) {
    if (!lines.empty()) blocks.push_back(lines);
    return blocks;
  }
  Block left, right, across;
  auto flush_band = [&] {
    if (!left.empty()) blocks.push_back(std::move(left));
    if (!right.empty()) blocks.push_back(std::move(right));
    left.clear();
    right.clear();
  };
  auto end_across = [&] {
    if (!across.empty()) blocks.push_back(std::move(across));
    across.clear();
  };
  for (const Line& line : lines) {
    if (line.box.x1 <= *gutter) {
      end_across();
      left.push_back(line);
    } else if (line.box.x0 >= *gutter) {
      end_across();
      right.push_back(line);
    } else {
      flush_band();
      across.push_back(line);
    }
  }
  flush_band();
  end_across();
  return blocks;
}

}  // namespace parlotto::p2t
