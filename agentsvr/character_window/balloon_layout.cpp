#include "agentsvr/character_window/balloon_layout.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLine>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace parlotto::agent {

namespace {

constexpr int kTail = 18;       // from the box to the tip
constexpr int kTailReach = 32;  // how far the box reaches back past the tip
constexpr int kBelowGap = 4;    // between the figure and a tail pointing up

}  // namespace

namespace {

// The text's own line breaks as breaks of the layout, which sees '\n' as
// nothing; one character for one, so that word positions stay.
QString WithLineSeparators(QString text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') {
      text[i] = QChar::LineSeparator;
    } else if (text[i] == u'\r') {
      const bool pair = i + 1 < text.size() && text[i + 1] == u'\n';
      text[i] = pair ? QChar(u' ') : QChar(QChar::LineSeparator);
    }
  }
  return text;
}

}  // namespace

BalloonText::BalloonText(const QString& text, const QFont& font, qreal scale)
    : text_(WithLineSeparators(text)), layout_(text_, font) {
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout_.setTextOption(option);
  layout_.setCacheEnabled(true);
  layout_.beginLayout();
  qreal y = 0;
  qreal widest = 0;
  for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
    line.setLineWidth(kMaxWidth * scale);
    line.setPosition(QPointF(0, y));
    y += line.height();
    widest = std::max(widest, line.naturalTextWidth());
  }
  layout_.endLayout();
  qreal shown_height = 0;
  for (int i = 0; i < ShownLines(); ++i) shown_height += layout_.lineAt(i).height();
  if (layout_.lineCount() == 0) shown_height = QFontMetricsF(font).height();
  size_ = QSize(static_cast<int>(std::ceil(widest)), static_cast<int>(std::ceil(shown_height)));
}

int BalloonText::ShownLines() const { return std::min(layout_.lineCount(), kMaxLines); }

int BalloonText::LineOf(int position) const {
  for (int i = 0; i < layout_.lineCount(); ++i) {
    const QTextLine line = layout_.lineAt(i);
    if (position < line.textStart() + line.textLength()) return i;
  }
  return std::max(0, layout_.lineCount() - 1);
}

int BalloonText::FirstShownLine(int position) const {
  const int count = layout_.lineCount();
  if (count <= kMaxLines || position < 0) return 0;
  return std::clamp(LineOf(position) - 1, 0, count - kMaxLines);
}

std::vector<QRectF> BalloonText::RangeRects(int start, int length, int first_line) const {
  std::vector<QRectF> rects;
  if (length <= 0 || first_line < 0 || first_line >= layout_.lineCount()) return rects;
  const qreal top = layout_.lineAt(first_line).y();
  const int end = start + length;
  const int last_line = std::min(layout_.lineCount(), first_line + kMaxLines);
  for (int i = first_line; i < last_line; ++i) {
    const QTextLine line = layout_.lineAt(i);
    const int from = std::max(start, line.textStart());
    const int to = std::min(end, line.textStart() + line.textLength());
    if (from >= to) continue;
    const qreal x1 = line.cursorToX(from);
    const qreal x2 = line.cursorToX(to);
    rects.emplace_back(std::min(x1, x2), line.y() - top, std::abs(x2 - x1), line.height());
  }
  return rects;
}

void BalloonText::Draw(QPainter* painter, QPointF origin, int first_line) const {
  if (first_line >= layout_.lineCount()) return;
  // Line by line: a hidden line's accents and dots reach into the shown
  // one above it.
  const QPointF shift = origin - QPointF(0, layout_.lineAt(first_line).y());
  const int end = std::min(layout_.lineCount(), first_line + kMaxLines);
  for (int i = first_line; i < end; ++i) layout_.lineAt(i).draw(painter, shift);
}

BalloonPlacement PlaceBalloon(QSize body, const QRect& figure, QPoint anchor, const QRect& screen,
                              qreal scale) {
  const int tail = qRound(kTail * scale);
  const int tail_reach = qRound(kTailReach * scale);
  const int below_gap = qRound(kBelowGap * scale);
  BalloonPlacement placement;
  placement.tip = anchor;
  QRect box(QPoint(0, 0), body);
  box.moveBottom(anchor.y() - tail);
  if (box.top() < screen.top()) {
    // No room above: hang below the figure, the tail up towards it.
    placement.below = true;
    placement.tip = QPoint(anchor.x(), figure.bottom() + below_gap);
    box.moveTop(placement.tip.y() + tail);
  }
  box.moveLeft(placement.tip.x() - tail_reach);
  if (box.right() > screen.right()) box.moveRight(placement.tip.x() + tail_reach);
  // A figure partly off the screen or a screen too small for the balloon:
  // the box stays visible all the same.
  box.moveLeft(std::clamp(box.left(), screen.left(),
                          std::max(screen.left(), screen.right() - box.width() + 1)));
  box.moveTop(std::clamp(box.top(), screen.top(),
                         std::max(screen.top(), screen.bottom() - box.height() + 1)));
  placement.tip.setX(std::clamp(placement.tip.x(), screen.left(), screen.right()));
  placement.tip.setY(std::clamp(placement.tip.y(), screen.top(), screen.bottom()));
  placement.body = box;
  return placement;
}

}  // namespace parlotto::agent
