#include "p2tdll/p2t_layout/hyphenation.h"

#include <QString>
#include <algorithm>
#include <array>
#include <string_view>

namespace parlotto::p2t {
namespace {

constexpr std::string_view kSoftHyphen = "\xC2\xAD";

// Words after which a hyphenated first part keeps its hyphen: the "Nord-"
// of "Nord- und Südsee" waits for its "-see".
constexpr std::array<std::string_view, 14> kConjunctions = {"und", "oder", "bzw.", "sowie", "bis",
                                                            "als", "wie",  "noch", "and",   "or",
                                                            "nor", "to",   "u.",   "resp."};

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The character before the final hyphen, as UTF-16 (enough for the
// letter test of German and other Latin scripts).
QChar LastCharBefore(const std::string& text, size_t end) {
  const QString before = QString::fromUtf8(text.data(), static_cast<qsizetype>(end));
  return before.isEmpty() ? QChar() : before.back();
}

std::string_view FirstWord(const std::string& line) {
  const size_t end = line.find(' ');
  return std::string_view(line).substr(0, end);
}

QChar FirstChar(const std::string& line) {
  const QString start = QString::fromUtf8(line.data(), std::min<qsizetype>(4, line.size()));
  return start.isEmpty() ? QChar() : start.front();
}

}  // namespace

bool EndsWithHyphen(const std::string& text) {
  if (EndsWith(text, kSoftHyphen)) return true;
  return EndsWith(text, "-") && LastCharBefore(text, text.size() - 1).isLetter();
}

void AppendLine(std::string& text, const std::string& next) {
  if (next.empty()) return;
  if (text.empty()) {
    text = next;
    return;
  }
  if (EndsWith(text, kSoftHyphen)) {
    text.resize(text.size() - kSoftHyphen.size());
    text += next;
    return;
  }
  if (EndsWithHyphen(text)) {
    const std::string_view word = FirstWord(next);
    const bool conjunction =
        std::find(kConjunctions.begin(), kConjunctions.end(), word) != kConjunctions.end();
    const QChar first = FirstChar(next);
    if (conjunction) {
      text += ' ';
    } else if (first.isLower()) {
      text.pop_back();
    }
    text += next;
    return;
  }
  text += ' ';
  text += next;
}

}  // namespace parlotto::p2t
