// A text file as the program's text: RTF when it begins like RTF, else
// plain text in whatever character set its bytes reveal.
#pragma once

#include <cstdint>
#include <string>

namespace parlotto {

// Files larger than this are not read at all: ten times a long novel, and
// still far below what would strain the memory of the reading (the text
// is held a few times over while it is decoded and cut into pieces).
inline constexpr std::uintmax_t kMaxTextFileBytes = std::uintmax_t{32} << 20;

enum class TextFileFailure {
  kNone,
  // Missing, no access, or no regular file (a directory, FIFO or device).
  kCannotOpen,
  // Larger than the limit; nothing of it was read.
  kTooLarge,
  // A read error, or data that is no text (see DecodePlainText).
  kCannotLoad,
};

struct LoadedTextFile {
  TextFileFailure failure = TextFileFailure::kNone;
  std::string text;
};

LoadedTextFile LoadTextFile(const std::string& name, std::uintmax_t max_bytes = kMaxTextFileBytes);

// The debug log's line for a failure.
std::string TextFileFailureMessage(TextFileFailure failure, const std::string& name);

}  // namespace parlotto
