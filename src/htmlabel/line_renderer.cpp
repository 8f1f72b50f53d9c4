#include "htmlabel/line_renderer.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "htmlabel/apply_tag.h"
#include "htmlabel/color.h"
#include "htmlabel/entities.h"
#include "htmlabel/html_paint.h"
#include "htmlabel/image_box.h"
#include "htmlabel/picture_lookup.h"
#include "htmlabel/run_painter.h"
#include "htmlabel/tags.h"

namespace parlotto {
namespace {

constexpr int kListStep = 12;
constexpr int kMaxIndent = 100'000;
// Text without "<" or blanks is measured in pieces of this length, so that a
// megabyte without a break costs no more than its pieces.
constexpr qsizetype kMaxRun = 512;
// Positions saturate here instead of overflowing.
constexpr int kMaxCoordinate = 1 << 24;

int Advance(int x, qint64 by) {
  return static_cast<int>(std::clamp<qint64>(x + by, -kMaxCoordinate, kMaxCoordinate));
}

constexpr int kMeasureFlags = Qt::TextSingleLine | Qt::TextExpandTabs | Qt::TextShowMnemonic;

}  // namespace

LineRenderer::LineRenderer(QPainter* painter, const QPaintDevice& device, const QString& markup,
                           const QRect& rect, const HTMLPaintOptions& options,
                           HTMLPaintResult& result)
    : painter_(painter),
      device_(device),
      markup_(markup),
      rect_(rect),
      options_(options),
      result_(result),
      drawing_(painter != nullptr && !options.check_hotspot) {
  if (drawing_) {
    // Runs outside of this are not drawn at all; a little margin covers
    // shadows and wavy lines.
    bool invertible = false;
    QTransform inverse = painter->worldTransform().inverted(&invertible);
    if (invertible) visible_ = inverse.mapRect(painter->window()).adjusted(-64, -64, 64, 64);
    if (painter->hasClipping()) {
      visible_ &= painter->clipBoundingRect().toAlignedRect().adjusted(-64, -64, 64, 64);
    }
  }
}

const QFontMetrics& LineRenderer::Metrics(const QFont& font) {
  if (!metrics_font_ || *metrics_font_ != font) {
    metrics_font_ = font;
    metrics_.emplace(font, &device_);
  }
  return *metrics_;
}

int LineRenderer::GhHeight(const QFont& font) { return Metrics(font).height(); }

QSize LineRenderer::RunSize(const QFont& font, const QString& text) {
  const QFontMetrics& metrics = Metrics(font);
  return QSize(metrics.size(kMeasureFlags, text).width(),
               metrics.height() + std::max(0, metrics.leading()));
}

// Plain text up to the next "<"; with word wrap, up to and including the
// first blank.
LineRenderer::Run LineRenderer::NextRun(qsizetype pos) {
  const bool wrap = !options_.ellipsis;
  const qsizetype limit = std::min(markup_.size(), pos + kMaxRun);
  qsizetype end = pos;
  bool blank = false;
  while (end < limit && markup_[end] != u'<') {
    blank = wrap && markup_[end] == u' ';
    ++end;
    if (blank) break;
  }
  if (end == limit && limit < markup_.size() && markup_[end] != u'<' && !blank) {
    // Cut a long run where no entity, "&&" or surrogate pair is split.
    for (qsizetype i = end - 1; i > pos && i > end - 10; --i) {
      if (markup_[i] == u'&') {
        end = i;
        break;
      }
    }
    if (end - pos > 1 && markup_[end - 1].isHighSurrogate()) --end;
  }
  return {end, ReplaceRunEntities(markup_.mid(pos, end - pos))};
}

LineMetrics LineRenderer::Measure(RenderState& state, qsizetype pos) {
  LineMetrics line;
  line.height = GhHeight(state.font);
  line.paragraph_background = state.paragraph_background;
  const bool wrap = !options_.ellipsis;
  const int left = rect_.left();
  const int right = Advance(left, rect_.width());
  int x = Advance(left, state.indent);
  bool has_text = false;
  bool ends_with_blank = false;
  bool item_seen = false;
  int trailing_blank = 0;

  qsizetype p = pos;
  while (p < markup_.size()) {
    if (markup_[p] == u'<') {
      qsizetype close = markup_.indexOf(u'>', p);
      if (close < 0) {  // a "<" without ">" ends the text
        line.last = true;
        break;
      }
      TagKind kind = ClassifyTag(markup_, p);
      QStringView tag = QStringView(markup_).mid(p, close - p + 1);
      const bool started = p > pos;  // a line always takes its first item
      if (kind == TagKind::kImage) {
        if (auto box = ResolveImage(tag, state.image_number + 1, options_, device_)) {
          int width = box->size.width();
          if (started && qint64(x) + width > right && width <= rect_.width()) break;
          x = Advance(x, width);
          line.height = std::max(line.height, box->size.height());
          int free = line.height - GhHeight(state.font);
          if (box->align_top) line.image_offset = free;
          if (box->align_middle) line.image_offset = free / 2;
        }
        ++state.image_number;
      } else if (kind == TagKind::kListItem) {
        if (item_seen && started) break;
        item_seen = true;
        x = Advance(x, qint64(state.list_level) * kListStep);
      } else if (kind == TagKind::kIndent) {
        int to = std::min(LeadingNumber(TagAttribute(tag, u"X").value_or(QString())), kMaxIndent);
        x = std::max(x, Advance(left, to));
      } else if (kind == TagKind::kBreak) {
        result_.plain_text += u'\r';
      }
      int indent = state.indent;
      ApplyTag(kind, tag, options_, state);
      x = Advance(x, qint64(state.indent) - indent);
      if (!line.paragraph_background.isValid()) {
        line.paragraph_background = state.paragraph_background;
      }
      p = close + 1;
      if (EndsLine(kind)) break;
      continue;
    }

    Run run = NextRun(p);
    QSize size = RunSize(state.font, run.text);
    // With word wrap a run wider than the whole line fits anyway (it could
    // never fit elsewhere); without, anything past the edge ends the text
    // behind an ellipsis.
    bool fits = qint64(x) + size.width() <= right || (wrap && size.width() >= rect_.width());
    // A word that a tag splits ("a<B>b</B>c") is never broken.
    if (!fits && wrap && has_text && ends_with_blank) break;
    x = Advance(x, size.width());
    line.height = std::max(line.height, size.height());
    if (state.subscript) line.subscript = std::max(line.subscript, size.height() / 4);
    if (state.superscript) line.superscript = std::max(line.superscript, size.height() / 4);
    has_text = true;
    ends_with_blank = run.text.endsWith(u' ');
    trailing_blank = ends_with_blank ? Metrics(state.font).horizontalAdvance(u' ') : 0;
    result_.plain_text += run.text;
    p = run.end;
    if (!fits && !wrap) {  // the ellipsis ends the text
      line.last = true;
      break;
    }
  }
  line.end = p;
  line.width = std::max(0, x - Advance(left, state.indent) - trailing_blank);
  return line;
}

void LineRenderer::Draw(RenderState& state, qsizetype pos, const LineMetrics& line, int x,
                        int top) {
  const int left = rect_.left();
  const int right = Advance(left, rect_.width());
  const int bottom = Advance(top, line.FullHeight());
  // Ordinary text stands on this; subscripts go below, superscripts above.
  const int baseline = bottom - line.subscript - line.image_offset;
  if (drawing_ && line.paragraph_background.isValid()) {
    painter_->fillRect(QRect(left, top, rect_.width(), bottom - top), line.paragraph_background);
  }
  if (state.in_anchor) piece_left_ = x;

  qsizetype p = pos;
  while (p < line.end) {
    if (markup_[p] == u'<') {
      qsizetype close = markup_.indexOf(u'>', p);
      TagKind kind = ClassifyTag(markup_, p);
      QStringView tag = QStringView(markup_).mid(p, close - p + 1);
      switch (kind) {
        case TagKind::kImage: {
          ++state.image_number;
          auto box = ResolveImage(tag, state.image_number, options_, device_);
          if (!box) break;
          QRect area(QPoint(x, top), box->size);
          if (options_.mouse && area.contains(*options_.mouse)) {
            result_.mouse_image = state.image_number;
            if (state.in_anchor) HitAnchor(state);
          }
          if (drawing_ && Visible(area)) {
            PaintImage(*painter_, *box, area.topLeft(), options_.background, device_);
          }
          x = Advance(x, box->size.width());
          break;
        }
        case TagKind::kListItem:
          x = Advance(x, qint64(state.list_level) * kListStep);
          if (drawing_) DrawBullet(state, x, baseline);
          break;
        case TagKind::kIndent: {
          int to = std::min(LeadingNumber(TagAttribute(tag, u"X").value_or(QString())), kMaxIndent);
          x = std::max(x, Advance(left, to));
          break;
        }
        case TagKind::kRule:
          if (drawing_) {
            painter_->save();
            painter_->setPen(QPen(Qt::black, 1));
            painter_->drawLine(left, bottom + 1, right - 1, bottom + 1);
            painter_->restore();
          }
          break;
        // An anchor left open ends where the next begins.
        case TagKind::kAnchor:
        case TagKind::kAnchorEnd:
          if (state.in_anchor) EndAnchor(x, top, bottom);
          break;
        default:
          break;
      }
      ApplyTag(kind, tag, options_, state);
      if (kind == TagKind::kAnchor) {
        piece_left_ = x;
        anchor_area_ = QRect();
        anchor_hit_ = false;
        if (state.anchor_number == options_.focus_anchor) result_.focus_anchor = state.anchor_value;
      }
      p = close + 1;
      continue;
    }

    Run run = NextRun(p);
    QSize size = RunSize(state.font, run.text);
    if (!state.hidden) {
      int run_bottom = baseline;
      if (state.superscript) run_bottom -= line.superscript;
      if (state.subscript) run_bottom += line.subscript;
      QRect area(x, run_bottom - size.height(), size.width(), size.height());
      bool cut = options_.ellipsis && area.left() + area.width() > right;
      if (cut) area.setRight(right - 1);
      if (state.in_anchor && options_.mouse) {
        QPoint mouse = *options_.mouse;
        bool in_x = mouse.x() >= area.left() && mouse.x() < area.left() + area.width();
        bool in_y = mouse.y() < baseline && mouse.y() >= baseline - GhHeight(state.font);
        if (in_x && in_y) HitAnchor(state);
      }
      bool shown = state.rotation != 0 || Visible(area);
      if (drawing_ && area.width() > 0 && shown) DrawRun(state, area, run.text, cut);
    }
    x = Advance(x, size.width());
    p = run.end;
  }
  if (state.in_anchor) AnchorPiece(x, top, bottom);
}

void LineRenderer::Finish() {
  if (anchor_hit_) result_.anchor_rect = anchor_area_;
}

void LineRenderer::DrawRun(const RenderState& state, const QRect& area, const QString& text,
                           bool cut) {
  RunStyle style;
  style.font = state.font;
  style.text_color =
      options_.selected ? options_.palette.color(QPalette::HighlightedText) : state.text_color;
  style.background = state.background;
  style.shadow = state.shadow;
  style.shadow_color = ToQColor(options_.shadow_color, options_.palette);
  style.shadow_offset = std::clamp(options_.shadow_offset, -100, 100);
  style.marked = state.marked;
  style.focused = state.in_anchor && state.anchor_number == options_.focus_anchor;
  style.rotation = state.rotation;
  style.ellipsis = cut;
  PaintRun(*painter_, area, text, style);
}

// The bullet stands one list step before the item text: a dot at odd
// levels, a circle at even ones.
void LineRenderer::DrawBullet(const RenderState& state, int x, int baseline) {
  QFont symbol(QStringLiteral("Symbol"));
  if (state.font.pointSizeF() > 0) {
    symbol.setPointSizeF(state.font.pointSizeF());
  } else {
    symbol.setPixelSize(state.font.pixelSize());
  }
  QString bullet = state.list_level % 2 == 1 ? QString(QChar(0x2022)) : QStringLiteral("o");
  int height = QFontMetrics(symbol, &device_).height();
  QRect area(x - kListStep, baseline - height, kListStep, height);
  if (!Visible(area)) return;
  painter_->save();
  painter_->setFont(symbol);
  painter_->setPen(state.text_color);
  painter_->drawText(area, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine | Qt::TextDontClip,
                     bullet);
  painter_->restore();
}

// The body's background lies under everything, wherever its tag stands.
// Each fill covers the one before, so only the last colour and the last
// picture are drawn.
void LineRenderer::DrawBody() {
  if (!drawing_) return;
  std::optional<QString> color;
  std::optional<QString> picture;
  qsizetype p = 0;
  while ((p = markup_.indexOf(u'<', p)) >= 0) {
    qsizetype close = markup_.indexOf(u'>', p);
    if (close < 0) break;
    if (ClassifyTag(markup_, p) == TagKind::kBody) {
      QStringView tag = QStringView(markup_).mid(p, close - p + 1);
      if (auto value = TagAttribute(tag, u"BGCOLOR")) color = value;
      if (auto value = TagAttribute(tag, u"BACKGROUND")) picture = value;
    }
    p = close + 1;
  }
  // Only a "#" value or a name that looks like one of ours ("clRed").
  if (color &&
      (color->startsWith(u'#') || color->contains(QLatin1StringView("CL"), Qt::CaseInsensitive))) {
    QColor fill = ToQColor(ColorFromMarkup(*color), options_.palette);
    if (fill.isValid()) painter_->fillRect(rect_, fill);
  }
  if (!picture) return;
  PictureSources sources{options_.images, options_.pictures, options_.picture_cache};
  auto found = FindPicture(*picture, sources);
  QRect area = visible_.isNull() ? rect_ : rect_ & visible_;
  if (!found || area.isEmpty()) return;
  painter_->save();
  painter_->setClipRect(rect_, Qt::IntersectClip);
  painter_->drawTiledPixmap(area, QPixmap::fromImage(found->image),
                            area.topLeft() - rect_.topLeft());
  painter_->restore();
}

void LineRenderer::HitAnchor(const RenderState& state) {
  result_.anchor = state.anchor_value;
  result_.mouse_anchor = state.anchor_number;
  anchor_hit_ = true;
}

void LineRenderer::AnchorPiece(int right, int top, int bottom) {
  if (right > piece_left_ && bottom > top) {
    anchor_area_ |= QRect(QPoint(piece_left_, top), QPoint(right - 1, bottom - 1));
  }
  piece_left_ = right;
}

void LineRenderer::EndAnchor(int x, int top, int bottom) {
  AnchorPiece(x, top, bottom);
  if (anchor_hit_) result_.anchor_rect = anchor_area_;
  anchor_hit_ = false;
}

bool LineRenderer::Visible(const QRect& area) const {
  return visible_.isNull() || area.intersects(visible_);
}

}  // namespace parlotto
