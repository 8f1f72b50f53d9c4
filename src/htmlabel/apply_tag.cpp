#include "htmlabel/apply_tag.h"

#include <algorithm>
#include <array>

#include "htmlabel/color.h"
#include "htmlabel/html_paint.h"

namespace parlotto {
namespace {

// Bounds that keep hostile markup from asking for absurd fonts or positions.
constexpr int kMaxPointSize = 400;
constexpr int kMaxIndent = 100'000;
constexpr int kMaxListLevel = 1'000;
constexpr qsizetype kMaxFaceLength = 100;

QColor MarkupColor(const QString& value, const HTMLPaintOptions& options) {
  return ToQColor(ColorFromMarkup(value), options.palette);
}

// "1" to "5" are the old HTML sizes; any other number is points.
void SetFontSize(QFont& font, int size) {
  static constexpr std::array<int, 5> kHtmlSizes = {8, 10, 12, 14, 16};
  if (size < 1) return;
  font.setPointSize(size <= 5 ? kHtmlSizes[size - 1] : std::min(size, kMaxPointSize));
}

void RestoreFontSize(QFont& font, const QFont& base) {
  if (base.pointSizeF() > 0) {
    font.setPointSizeF(base.pointSizeF());
  } else {
    font.setPixelSize(base.pixelSize());
  }
}

void ApplyFont(QStringView tag, const HTMLPaintOptions& options, RenderState& state) {
  if (auto face = TagAttribute(tag, u"FACE")) state.font.setFamily(face->left(kMaxFaceLength));
  if (auto color = TagAttribute(tag, u"COLOR")) state.text_color = MarkupColor(*color, options);
  if (auto background = TagAttribute(tag, u"BGCOLOR")) {
    state.font_saved_background = state.background;
    state.background = MarkupColor(*background, options);
  }
  if (auto size = TagAttribute(tag, u"SIZE")) SetFontSize(state.font, LeadingNumber(*size));
}

void ApplyParagraph(QStringView tag, const HTMLPaintOptions& options, RenderState& state) {
  if (auto align = TagAttribute(tag, u"ALIGN")) {
    if (align->contains(QLatin1StringView("RIGHT"), Qt::CaseInsensitive))
      state.align = HAlign::kRight;
    if (align->contains(QLatin1StringView("LEFT"), Qt::CaseInsensitive))
      state.align = HAlign::kLeft;
    if (align->contains(QLatin1StringView("CENTER"), Qt::CaseInsensitive))
      state.align = HAlign::kCenter;
  }
  if (auto indent = TagAttribute(tag, u"INDENT")) {
    state.indent = std::min(LeadingNumber(*indent), kMaxIndent);
  }
  if (auto background = TagAttribute(tag, u"BGCOLOR")) {
    state.paragraph_background = MarkupColor(*background, options);
  }
}

void StartAnchor(QStringView tag, const HTMLPaintOptions& options, RenderState& state) {
  ++state.anchor_number;
  state.in_anchor = true;
  state.anchor_value = QuotedAfter(tag, 0);
  state.anchor_saved_background = state.background;
  QColor url = ToQColor(options.url_color, options.palette);
  QColor hover_background = ToQColor(options.hover_color, options.palette);
  bool hovered = state.anchor_number == options.hover_anchor;
  state.anchor_underlined = !options.hover_style || hovered;
  if (state.anchor_underlined) state.font.setUnderline(true);
  state.text_color = url;
  if (!options.hover_style || hovered) {
    if (hover_background.isValid()) state.background = hover_background;
  }
  if (options.hover_style && hovered) {
    QColor hover_text = ToQColor(options.hover_font_color, options.palette);
    if (hover_text.isValid()) state.text_color = hover_text;
  }
}

void EndAnchor(const HTMLPaintOptions& options, RenderState& state) {
  if (state.anchor_underlined) state.font.setUnderline(false);
  state.anchor_underlined = false;
  state.background = state.anchor_saved_background;
  state.text_color = options.font_color;
  state.in_anchor = false;
}

// The angle is the quoted value after the first "a" of the tag.
int Rotation(QStringView tag) {
  qsizetype a = tag.indexOf(u'a', 2, Qt::CaseInsensitive);
  if (a < 0) return 0;
  return LeadingNumber(QuotedAfter(tag, a + 1)) % 360;
}

}  // namespace

RenderState InitialState(const HTMLPaintOptions& options) {
  RenderState state;
  state.font = options.font;
  state.text_color = options.font_color;
  state.highlight_saved_text = options.font_color;
  return state;
}

void ApplyTag(TagKind kind, QStringView tag, const HTMLPaintOptions& options, RenderState& state) {
  switch (kind) {
    case TagKind::kAnchor:
      StartAnchor(tag, options, state);
      break;
    case TagKind::kAnchorEnd:
      EndAnchor(options, state);
      break;
    case TagKind::kBold:
      state.font.setBold(true);
      break;
    case TagKind::kBoldEnd:
      state.font.setBold(false);
      break;
    case TagKind::kItalic:
      state.font.setItalic(true);
      break;
    case TagKind::kItalicEnd:
      state.font.setItalic(false);
      break;
    case TagKind::kUnderline:
      state.font.setUnderline(true);
      break;
    case TagKind::kUnderlineEnd:
      state.font.setUnderline(false);
      break;
    case TagKind::kStrike:
      state.font.setStrikeOut(true);
      break;
    case TagKind::kStrikeEnd:
      state.font.setStrikeOut(false);
      break;
    case TagKind::kBlink:
      // Only the hidden phase is ever drawn unless the caller asks otherwise.
      if (!options.blink && options.background.isValid()) state.text_color = options.background;
      break;
    case TagKind::kColorEnd:
      state.text_color = options.font_color;
      break;
    case TagKind::kMark:
      state.marked = true;
      break;
    case TagKind::kMarkEnd:
      state.marked = false;
      break;
    case TagKind::kFont:
      ApplyFont(tag, options, state);
      break;
    case TagKind::kFontEnd:
      state.font.setFamily(options.font.family());
      RestoreFontSize(state.font, options.font);
      state.text_color = options.font_color;
      state.background = state.font_saved_background;
      break;
    case TagKind::kHighlight:
      state.highlight_saved_text = state.text_color;
      state.highlight_saved_background = state.background;
      state.background = options.palette.color(QPalette::Highlight);
      state.text_color = options.palette.color(QPalette::HighlightedText);
      break;
    case TagKind::kHighlightEnd:
      state.text_color = state.highlight_saved_text;
      state.background = state.highlight_saved_background;
      break;
    case TagKind::kParagraph:
      ApplyParagraph(tag, options, state);
      break;
    case TagKind::kParagraphEnd:
      state.paragraph_background = QColor();
      break;
    case TagKind::kRotate:
      state.rotation = Rotation(tag);
      break;
    case TagKind::kRotateEnd:
      state.rotation = 0;
      break;
    case TagKind::kShadow:
      state.shadow = true;
      break;
    case TagKind::kShadowEnd:
      state.shadow = false;
      break;
    case TagKind::kSubscript:
      state.subscript = true;
      break;
    case TagKind::kSuperscript:
      state.superscript = true;
      break;
    case TagKind::kScriptEnd:
      state.subscript = false;
      state.superscript = false;
      break;
    case TagKind::kList:
      state.list_level = std::min(state.list_level + 1, kMaxListLevel);
      break;
    case TagKind::kListEnd:
      if (state.list_level > 0) {
        --state.list_level;
      } else {
        state.font.setUnderline(false);
      }
      break;
    case TagKind::kHidden:
      state.hidden = true;
      break;
    case TagKind::kHiddenEnd:
      state.hidden = false;
      break;
    case TagKind::kUnknown:
    case TagKind::kBreak:
    case TagKind::kRule:
    case TagKind::kBody:
    case TagKind::kIndent:
    case TagKind::kImage:
    case TagKind::kListItem:
      break;
  }
}

}  // namespace parlotto
