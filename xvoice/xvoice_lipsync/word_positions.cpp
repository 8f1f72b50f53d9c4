#include "xvoice/xvoice_lipsync/word_positions.h"

namespace parlotto::xvoice {

WordLocator::WordLocator(QString text, std::vector<std::int32_t> origins)
    : text_(std::move(text)), origins_(std::move(origins)) {}

bool WordLocator::IsText(std::size_t point) const {
  return origins_[point] >= 0 && origins_[point] < text_.size();
}

bool WordLocator::IsBlank(std::size_t point) const {
  return IsText(point) && text_[origins_[point]].isSpace();
}

std::int32_t WordLocator::EndOf(std::size_t point) const {
  std::int32_t at = origins_[point];
  bool pair = text_[at].isHighSurrogate() && at + 1 < text_.size();
  return at + (pair ? 2 : 1);
}

bool WordLocator::IsPunct(std::size_t point) const {
  return IsText(point) && text_[origins_[point]].isPunct();
}

std::size_t WordLocator::WordFrom(std::size_t start) const {
  // Up to a blank, without its closing punctuation.
  std::size_t last = start;
  for (std::size_t at = start; at < origins_.size() && !IsBlank(at); ++at) {
    if (IsText(at)) last = at;
  }
  while (last > start && (!IsText(last) || IsPunct(last))) --last;
  return last;
}

bool WordLocator::OnlyPunctuation(std::size_t start, std::size_t last) const {
  for (std::size_t at = start; at <= last; ++at) {
    if (IsText(at) && !IsPunct(at)) return false;
  }
  return true;
}

std::optional<WordSpan> WordLocator::Locate(int position) {
  const std::size_t count = origins_.size();
  if (position < 1 || static_cast<std::size_t>(position) > count) return std::nullopt;
  // The word starts at the first character of the text, past commands and
  // blanks that the report may begin with, and runs to the next blank:
  // espeak-ng's own length stops short at an apostrophe ("geht's") or at a
  // command inside a word ("Stra\Spd=300\ßenbahn").
  std::size_t start = static_cast<std::size_t>(position) - 1;
  while (start < count && (!IsText(start) || IsBlank(start))) ++start;
  if (start >= count) return std::nullopt;
  std::size_t last = WordFrom(start);
  // A report on punctuation alone (a dash after a quote) is espeak-ng's
  // misplaced report of the word after it.
  if (OnlyPunctuation(start, last)) {
    start = last + 1;
    while (start < count && (!IsText(start) || IsBlank(start) || IsPunct(start))) ++start;
    if (start >= count) return std::nullopt;
    last = WordFrom(start);
  }
  WordSpan span{origins_[start], EndOf(last) - origins_[start]};
  if (span.start < floor_) return std::nullopt;
  floor_ = span.start + span.length;
  return span;
}

}  // namespace parlotto::xvoice
