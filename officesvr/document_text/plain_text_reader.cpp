#include "officesvr/document_text/plain_text_reader.h"

#include "text_formats/text_file.h"

namespace parlotto::office {

std::string ToWordLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\n' ? '\r' : text[i];
  }
  return out;
}

DocumentText ReadPlainOrRtf(const std::string& file_name) {
  LoadedTextFile loaded = LoadTextFile(file_name);
  switch (loaded.failure) {
    case TextFileFailure::kNone:
      return {DocumentFailure::kNone, ToWordLineEnds(loaded.text), {}};
    case TextFileFailure::kCannotOpen:
      return {DocumentFailure::kCannotOpen, {}, "cannot open the file"};
    case TextFileFailure::kTooLarge:
      return {DocumentFailure::kTooLarge, {}, "the text file exceeds the limit"};
    case TextFileFailure::kCannotLoad:
      break;
  }
  return {DocumentFailure::kDamaged, {}, "the file holds no text"};
}

}  // namespace parlotto::office
