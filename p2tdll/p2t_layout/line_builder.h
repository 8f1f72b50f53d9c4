// Groups a page's words into lines.
#pragma once

#include <vector>

#include "p2tdll/p2t_layout/layout.h"

namespace parlotto::p2t {

// Words whose boxes share most of their height form one row; a row is cut
// where the gap between two words is wider than a column gutter can be
// mistaken for a word space, so that two columns never merge into one line.
// The lines come out top to bottom, left to right within a row.
std::vector<Line> BuildLines(std::vector<Word> words);

}  // namespace parlotto::p2t
