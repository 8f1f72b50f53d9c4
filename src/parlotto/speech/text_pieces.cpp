#include "parlotto/speech/text_pieces.h"

namespace parlotto {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t CharactersBefore(const std::string& text, std::size_t byte_offset) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < byte_offset && i < text.size(); ++i) {
    if (!IsContinuationByte(text[i])) ++count;
  }
  return count;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t end = text.find('\0');
  if (end == std::string::npos) end = text.size();
  std::size_t start = 0;
  while (start < end) {
    std::size_t brk = text.find_first_of("\r\n", start);
    if (brk == std::string::npos || brk >= end) {
      lines.push_back(text.substr(start, end - start));
      break;
    }
    lines.push_back(text.substr(start, brk - start));
    start = brk + 1;
    if (text[brk] == '\r' && start < end && text[start] == '\n') ++start;
  }
  return lines;
}

std::vector<std::string> SplitLongLine(const std::string& line, std::size_t max_characters) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < line.size()) {
    // The byte where the part's character limit falls.
    std::size_t end = start;
    for (std::size_t count = 0; end < line.size(); ++end) {
      if (!IsContinuationByte(line[end]) && count++ == max_characters) break;
    }
    if (end >= line.size()) {
      parts.push_back(line.substr(start));
      break;
    }
    const std::size_t blank = line.rfind(' ', end);
    if (blank != std::string::npos && blank > start) {
      parts.push_back(line.substr(start, blank - start));
      start = blank + 1;
    } else {
      parts.push_back(line.substr(start, end - start));
      start = end;
    }
  }
  return parts;
}

std::size_t CharacterCount(const std::string& text) { return CharactersBefore(text, text.size()); }

std::size_t FirstCharacterPosition(const std::string& text, const std::string& pair) {
  std::size_t at = text.find(pair);
  if (at == std::string::npos) return 0;
  return CharactersBefore(text, at) + 1;
}

}  // namespace parlotto
