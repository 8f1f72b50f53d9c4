#include "xvoice/word_positions.h"

#include <algorithm>

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

std::optional<WordSpan> WordLocator::Locate(int position, int length) {
  const std::size_t count = origins_.size();
  if (position < 1 || static_cast<std::size_t>(position) > count) return std::nullopt;
  std::size_t first = static_cast<std::size_t>(position) - 1;
  std::size_t end = std::min(count, first + static_cast<std::size_t>(std::max(length, 1)));

  // The word starts at the first character of the text, past commands and
  // blanks that the report may begin with.
  std::size_t start = first;
  while (start < count && (!IsText(start) || IsBlank(start))) ++start;
  if (start >= count) return std::nullopt;

  // It runs to the last character of the text that the report covers, up
  // to a blank; a command inside a word ("Stra\Spd=300\ße") stays inside.
  std::size_t last = count;
  std::size_t at = start;
  for (; at < end && !IsBlank(at); ++at) {
    if (IsText(at)) last = at;
  }
  if (last == count || start >= end) {
    // The report covered only commands and blanks: the word is the text
    // that follows, up to a blank, without its closing punctuation.
    for (at = start; at < count && !IsBlank(at); ++at) {
      if (IsText(at)) last = at;
    }
    while (last > start && (!IsText(last) || text_[origins_[last]].isPunct())) --last;
  }

  WordSpan span{origins_[start], EndOf(last) - origins_[start]};
  if (span.start < floor_) return std::nullopt;
  floor_ = span.start + span.length;
  return span;
}

}  // namespace parlotto::xvoice
