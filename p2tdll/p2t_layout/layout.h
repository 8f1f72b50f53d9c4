// The pieces of a page that the layout analysis works on. Coordinates are
// the page's points with y growing downwards, as poppler reports them.
#pragma once

#include <string>
#include <vector>

namespace parlotto::p2t {

struct Box {
  double x0 = 0;
  double y0 = 0;
  double x1 = 0;
  double y1 = 0;

  double Width() const { return x1 - x0; }
  double Height() const { return y1 - y0; }
};

struct Word {
  std::string text;  // UTF-8
  Box box;
  double font_size = 0;
  // False when the next word follows without a blank (a change of font in
  // the middle of a word).
  bool space_after = true;
};

// A run of words on one baseline without a wide gap: a printed line, or the
// part of it that lies in one column.
struct Line {
  std::string text;
  Box box;
  double font_size = 0;
};

// Lines that are read top to bottom one after another: one column of a
// band, or a stretch of lines across the whole page.
using Block = std::vector<Line>;

}  // namespace parlotto::p2t
