#include "htmlabel/tags.h"

namespace parlotto {
namespace {

char16_t UpperAt(QStringView text, qsizetype i) {
  if (i < 0 || i >= text.size()) return 0;
  return text[i].toUpper().unicode();
}

TagKind OpeningTag(QStringView m, qsizetype pos) {
  char16_t second = UpperAt(m, pos + 2);
  switch (UpperAt(m, pos + 1)) {
    case 'A':
      return TagKind::kAnchor;
    case 'B':
      if (second == '>') return TagKind::kBold;
      if (second == 'R') return TagKind::kBreak;
      if (second == 'L') return TagKind::kBlink;
      if (second == 'O') return TagKind::kBody;
      return TagKind::kUnknown;
    case 'E':
      return TagKind::kMark;
    case 'F':
      return TagKind::kFont;
    case 'H':
      if (second == 'I') return TagKind::kHighlight;
      if (second == 'R') return TagKind::kRule;
      return TagKind::kUnknown;
    case 'I':
      if (second == '>') return TagKind::kItalic;
      if (second == 'N') return TagKind::kIndent;
      if (second == 'M') return TagKind::kImage;
      return TagKind::kUnknown;
    case 'L':
      return TagKind::kListItem;
    case 'P':
      return TagKind::kParagraph;
    case 'R':
      return TagKind::kRotate;
    case 'S':
      if (second == '>') return TagKind::kStrike;
      if (second == 'H') return TagKind::kShadow;
      if (second == 'U') {
        char16_t third = UpperAt(m, pos + 3);
        if (third == 'B') return TagKind::kSubscript;
        if (third == 'P') return TagKind::kSuperscript;
      }
      return TagKind::kUnknown;
    case 'U':
      return second == '>' ? TagKind::kUnderline : TagKind::kList;
    case 'Z':
      return TagKind::kHidden;
    default:
      return TagKind::kUnknown;
  }
}

TagKind ClosingTag(QStringView m, qsizetype pos) {
  char16_t second = UpperAt(m, pos + 3);
  switch (UpperAt(m, pos + 2)) {
    case 'A':
      return TagKind::kAnchorEnd;
    case 'B':
      return second == '>' ? TagKind::kBoldEnd : TagKind::kColorEnd;
    case 'E':
      return TagKind::kMarkEnd;
    case 'F':
      return TagKind::kFontEnd;
    case 'H':
      return TagKind::kHighlightEnd;
    case 'I':
      return TagKind::kItalicEnd;
    case 'P':
      return TagKind::kParagraphEnd;
    case 'R':
      return TagKind::kRotateEnd;
    case 'S':
      if (second == 'U') return TagKind::kScriptEnd;
      if (second == 'H') return TagKind::kShadowEnd;
      return TagKind::kStrikeEnd;
    case 'U':
      return second == '>' ? TagKind::kUnderlineEnd : TagKind::kListEnd;
    case 'Z':
      return TagKind::kHiddenEnd;
    default:
      return TagKind::kUnknown;
  }
}

bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == u'-' || c == u'_'; }

}  // namespace

TagKind ClassifyTag(QStringView markup, qsizetype pos) {
  if (UpperAt(markup, pos + 1) != '/') return OpeningTag(markup, pos);
  // Closing tags need at least four characters, "</X>".
  if (markup.size() - pos < 4) return TagKind::kUnknown;
  return ClosingTag(markup, pos);
}

bool EndsLine(TagKind kind) {
  return kind == TagKind::kBreak || kind == TagKind::kRule || kind == TagKind::kParagraphEnd;
}

std::optional<QString> TagAttribute(QStringView tag, QStringView name) {
  qsizetype from = 0;
  while (true) {
    qsizetype at = tag.indexOf(name, from, Qt::CaseInsensitive);
    if (at < 0) return std::nullopt;
    bool starts_word = at == 0 || !IsNameChar(tag[at - 1]);
    bool ends_word = at + name.size() >= tag.size() || !IsNameChar(tag[at + name.size()]);
    if (starts_word && ends_word) return QuotedAfter(tag, at + name.size());
    from = at + 1;
  }
}

QString QuotedAfter(QStringView tag, qsizetype from) {
  qsizetype open = tag.indexOf(u'"', from);
  if (open < 0) return QString();
  qsizetype close = tag.indexOf(u'"', open + 1);
  if (close < 0) {
    close = tag.size();
    if (tag.endsWith(u'>')) --close;
  }
  return tag.mid(open + 1, close - open - 1).toString();
}

int LeadingNumber(QStringView value) {
  constexpr int kCap = 1'000'000'000;
  int number = 0;
  for (QChar c : value) {
    if (c < u'0' || c > u'9') break;
    number = number * 10 + (c.unicode() - '0');
    if (number >= kCap / 10) return kCap;
  }
  return number;
}

}  // namespace parlotto
