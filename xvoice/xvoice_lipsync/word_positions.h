// Leads espeak-ng's word events back to the text as given to Speak.
// espeak-ng 1.51 reports a word by its position (1-based) and length in
// code points of its input, embedded commands included. The position is
// loose around commands (a word right after one is reported at the
// command), punctuation (after a quote a word may be reported at the dash
// before it), numbers and abbreviations (several reports of one word); the
// length stops at an apostrophe or a command inside a word. So a report
// names the word of the text at or after its position, up to a blank.
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

  // The word espeak-ng reports at `position` (1-based code points of its
  // input); nothing when it names no text, or a word at or before the
  // last one found (a repeated report).
  std::optional<WordSpan> Locate(int position);

 private:
  bool IsText(std::size_t point) const;
  bool IsBlank(std::size_t point) const;
  bool IsPunct(std::size_t point) const;
  // The last code point of the word that starts at `start`: up to a
  // blank, without closing punctuation.
  std::size_t WordFrom(std::size_t start) const;
  bool OnlyPunctuation(std::size_t start, std::size_t last) const;
  std::int32_t EndOf(std::size_t point) const;

  QString text_;
  std::vector<std::int32_t> origins_;
  std::int32_t floor_ = 0;  // end of the last word found
};

}  // namespace parlotto::xvoice
