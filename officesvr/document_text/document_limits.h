// How much of a document the readers take before they give up: enough for
// any real document many times over, small enough that a hostile file
// cannot fill the office server's memory or hold it for long.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace parlotto::office {

struct DocumentLimits {
  // The text handed back, like the RTF reader's limit.
  std::size_t max_text = std::size_t{64} << 20;
  // One member of a zip package, counted while it inflates: its header's
  // sizes are the file's word, not a fact.
  std::uint64_t max_entry = std::uint64_t{64} << 20;
  // All members read from one package together.
  std::uint64_t max_package = std::uint64_t{192} << 20;
  // Deflate gives at most about 1:1032; the XML of real documents packs
  // about 1:10, bombs reach the top. The allowance lets small members
  // (mostly repeated markup) inflate freely.
  std::uint64_t max_ratio = 100;
  std::uint64_t ratio_allowance = std::uint64_t{1} << 20;
  // Tables in tables deeper than this are left out with their text: Word
  // itself stops far earlier, and the readers keep a little state for each.
  int max_table_depth = 48;
  // External converters (antiword, LibreOffice) are killed after this.
  std::chrono::milliseconds converter_time{60'000};
};

}  // namespace parlotto::office
