// The reading order of a page: whole-width stretches, and bands of two
// columns read column by column.
#pragma once

#include <vector>

#include "p2tdll/p2t_layout/layout.h"

namespace parlotto::p2t {

// `lines` top to bottom as BuildLines gives them. A gutter is a vertical
// strip that several rows leave empty between two of their lines; a line
// that crosses it (a title over both columns) ends the band above it. Pages
// with one column come back as one block.
std::vector<Block> ReadingBlocks(const std::vector<Line>& lines);

}  // namespace parlotto::p2t
