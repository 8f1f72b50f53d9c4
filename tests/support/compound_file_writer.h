// OLE compound files and Word 97 binary documents written for the tests:
// the least that readers (our directory reader, antiword) accept.
#pragma once

#include <string>
#include <vector>

namespace parlotto::testing {

struct CompoundStream {
  std::string name;
  std::string bytes;
};

// A version 3 compound file (512-byte sectors) with the streams in its root
// storage. Streams are padded to the mini stream's cutoff, so that all of
// them live in regular sectors.
std::string CompoundFileBytes(const std::vector<CompoundStream>& streams);

struct WordBinaryOptions {
  // One piece of 8-bit text in Windows-1252, or one of UTF-16.
  bool eight_bit = false;
  bool encrypted = false;
};

// A Word 97 document whose text (paragraphs ending with CR, UTF-8 here)
// is held in one piece of the piece table.
std::string WordBinaryBytes(const std::string& utf8_text, const WordBinaryOptions& options = {});

}  // namespace parlotto::testing
