// Paragraphs out of the blocks of a document, in reading order.
#pragma once

#include <string>
#include <vector>

#include "p2tdll/p2t_layout/layout.h"

namespace parlotto::p2t {

// Takes the blocks one after another, page after page, and hands out each
// paragraph as one line of text once it is complete. A paragraph ends at a
// wider gap between lines, a change of font size, an indented first line or
// a line that stops well short of the block's right edge. One that runs off
// the end of a column or page goes on in the next block when its last line
// ran to the block's edge without a sentence end (or with a word cut by a
// hyphen), is about as wide as the next block, and the next block starts in
// the same font size.
class ParagraphJoiner {
 public:
  // The complete paragraphs since the last call.
  std::vector<std::string> Add(const Block& block);
  // The paragraph still open at the end of the document, if any.
  std::vector<std::string> Finish();

 private:
  void Close(std::vector<std::string>& done);

  std::string open_;
  // The open paragraph may go on in the next block.
  bool may_continue_ = false;
  double open_font_size_ = 0;
  double open_line_width_ = 0;
};

}  // namespace parlotto::p2t
