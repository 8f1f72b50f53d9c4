// Leads espeak-ng's word events back to the text as given to Speak.
// espeak-ng 1.51 reports a word by its position (1-based) and length in
// code points of its input, embedded commands included. Around commands the
// report is loose: a word right after a command starts at the command and
// may count it in its length, or counts only the command; a word cut by a
// command is reported again from the cut; numbers and abbreviations give
// several reports of one word. Only what can be found in the text counts.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace parlotto::xvoice {

struct WordSpan {
  std::int32_t start = 0;   // UTF-16 index in the text given to Speak
  std::int32_t length = 0;  // UTF-16 units
  bool operator==(const WordSpan&) const = default;
};

class WordLocator {
 public:
  WordLocator() = default;
  // `origins`: for each code point of espeak-ng's input, the UTF-16 index
  // in `text` it came from, or -1 for a command (see EspeakText).
  WordLocator(QString text, std::vector<std::int32_t> origins);

  // The word espeak-ng reports at `position` (1-based code points) with
  // `length` code points; nothing when it names no text, or a word at or
  // before the last one found (a repeated report).
  std::optional<WordSpan> Locate(int position, int length);

 private:
  bool IsText(std::size_t point) const;
  bool IsBlank(std::size_t point) const;
  std::int32_t EndOf(std::size_t point) const;

  QString text_;
  std::vector<std::int32_t> origins_;
  std::int32_t floor_ = 0;  // end of the last word found
};

}  // namespace parlotto::xvoice
