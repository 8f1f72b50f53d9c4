// Recognising tags. A tag runs from "<" to the first ">" after it and is
// known by its first one or two letters (a few by their exact form); the rest
// of its name is not looked at.
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace parlotto {

enum class TagKind {
  kUnknown,  // consumed without effect
  kAnchor,
  kBold,
  kBreak,
  kBlink,
  kBody,
  kMark,
  kFont,
  kHighlight,
  kRule,
  kItalic,
  kIndent,
  kImage,
  kListItem,
  kParagraph,
  kRotate,
  kStrike,
  kShadow,
  kSubscript,
  kSuperscript,
  kUnderline,
  kList,
  kHidden,
  kAnchorEnd,
  kBoldEnd,
  kColorEnd,  // "</BLINK>", "</BODY>": text colour back to the label's
  kMarkEnd,
  kFontEnd,
  kHighlightEnd,
  kItalicEnd,
  kParagraphEnd,
  kRotateEnd,
  kScriptEnd,
  kShadowEnd,
  kStrikeEnd,
  kUnderlineEnd,
  kListEnd,
  kHiddenEnd,
};

// The tag whose "<" is at `pos` of `markup`.
TagKind ClassifyTag(QStringView markup, qsizetype pos);

// "<BR", "<HR" and "</P" end the line they are on.
bool EndsLine(TagKind kind);

// The value of attribute `name` in `tag`: the text between the two double
// quotes after the name, or up to the end of the tag when the second is
// missing; empty without quotes. The name must stand as a word of its own, so
// "COLOR" is not found inside "BGCOLOR". Nothing when the name is absent.
std::optional<QString> TagAttribute(QStringView tag, QStringView name);

// The text between the first two double quotes after `from` (an anchor's
// value is simply the first quoted text of its tag).
QString QuotedAfter(QStringView tag, qsizetype from);

// The digits that lead `value` (none gives 0), capped so that no arithmetic
// on it overflows.
int LeadingNumber(QStringView value);

}  // namespace parlotto
