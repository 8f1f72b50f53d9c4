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

std::size_t CharacterCount(const std::string& text) { return CharactersBefore(text, text.size()); }

std::size_t FirstCharacterPosition(const std::string& text, const std::string& pair) {
  std::size_t at = text.find(pair);
  if (at == std::string::npos) return 0;
  return CharactersBefore(text, at) + 1;
}

}  // namespace parlotto
