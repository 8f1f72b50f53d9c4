#include "p2tdll/p2t_layout/paragraphs.h"

#include <QString>
#include <algorithm>
#include <cmath>

#include "p2tdll/p2t_layout/hyphenation.h"

namespace parlotto::p2t {
namespace {

// Distance from one line's top to the next one's, typical for the block.
double LineStep(const Block& block) {
  std::vector<double> steps;
  for (size_t i = 1; i < block.size(); ++i) steps.push_back(block[i].box.y0 - block[i - 1].box.y0);
  if (steps.size() < 2) return block.front().font_size * 1.25;
  std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
  return steps[steps.size() / 2];
}

bool EndsSentence(const std::string& text) {
  const QString line = QString::fromUtf8(text).trimmed();
  if (line.isEmpty()) return true;
  static const QString kEnds = QStringLiteral(".!?:\"\u201C\u201D\u00BB\u00AB)");
  return kEnds.contains(line.back());
}

struct BlockShape {
  double left;
  double right;
  double step;
};

BlockShape ShapeOf(const Block& block) {
  BlockShape shape{block.front().box.x0, block.front().box.x1, LineStep(block)};
  for (const Line& line : block) {
    shape.left = std::min(shape.left, line.box.x0);
    shape.right = std::max(shape.right, line.box.x1);
  }
  return shape;
}

// The line ends well before the block's right edge: the last line of a
// paragraph, or a heading.
bool StopsShort(const Line& line, const BlockShape& shape) {
  const double width = shape.right - shape.left;
  const double missing = shape.right - line.box.x1;
  return missing > 0.4 * width || (missing > 0.15 * width && EndsSentence(line.text));
}

bool BreakBetween(const Line& above, const Line& below, const BlockShape& shape) {
  const double size = std::max(above.font_size, 1.0);
  if (below.box.y0 - above.box.y0 > 1.4 * shape.step) return true;
  if (std::fabs(below.font_size - above.font_size) > 0.15 * size) return true;
  if (below.box.x0 > shape.left + size && !EndsWithHyphen(above.text)) return true;
  return StopsShort(above, shape);
}

}  // namespace

void ParagraphJoiner::Close(std::vector<std::string>& done) {
  if (!open_.empty()) done.push_back(std::move(open_));
  open_.clear();
  may_continue_ = false;
}

std::vector<std::string> ParagraphJoiner::Add(const Block& block) {
  std::vector<std::string> done;
  if (block.empty()) return done;
  const BlockShape shape = ShapeOf(block);
  const Line& first = block.front();
  const bool same_font = std::fabs(first.font_size - open_font_size_) <= 0.15 * first.font_size;
  // A line alone in its block says nothing by its right edge; a heading
  // in the body's font is far narrower than the text that follows it.
  const bool wide_enough = open_line_width_ >= 0.6 * (shape.right - shape.left);
  const bool continues =
      may_continue_ && same_font && wide_enough && (EndsWithHyphen(open_) || !EndsSentence(open_));
  if (!continues) Close(done);
  for (size_t i = 0; i < block.size(); ++i) {
    if (i > 0 && BreakBetween(block[i - 1], block[i], shape)) Close(done);
    AppendLine(open_, block[i].text);
  }
  may_continue_ = !StopsShort(block.back(), shape);
  open_font_size_ = block.back().font_size;
  open_line_width_ = block.back().box.Width();
  return done;
}

std::vector<std::string> ParagraphJoiner::Finish() {
  std::vector<std::string> done;
  Close(done);
  return done;
}

}  // namespace parlotto::p2t
