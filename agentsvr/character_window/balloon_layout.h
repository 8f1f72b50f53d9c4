// The speech balloon's geometry, apart from any window: the text wrapped to
// a bounded width, the few lines shown around the word being spoken, and
// where the balloon goes so that it stays on the screen and points at the
// character.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QTextLayout>
#include <memory>
#include <vector>

namespace parlotto::agent {

class BalloonText {
 public:
  static constexpr int kMaxWidth = 336;  // the text's; padding comes on top
  static constexpr int kMaxLines = 4;

  // Wrapped to kMaxWidth * `scale` pixels.
  BalloonText(const QString& text, const QFont& font, qreal scale = 1);

  const QString& Text() const { return text_; }
  int LineCount() const { return layout_.lineCount(); }
  // The size of the shown part: the widest line, at most kMaxLines lines.
  QSize Size() const { return size_; }
  // The line holding text position `position`; the last line past the end.
  int LineOf(int position) const;
  // The first shown line while the word at `position` is spoken: the
  // word's line with one line of context above, the window kept within the
  // text. 0 when everything fits.
  int FirstShownLine(int position) const;
  // Where [start, start + length) lies, one rectangle per line it covers,
  // in the coordinates of the shown part starting at `first_line`; lines
  // outside the shown part give nothing.
  std::vector<QRectF> RangeRects(int start, int length, int first_line) const;
  // Draws the shown lines from `first_line` on, with their top left at
  // `origin`; no part of any other line.
  void Draw(QPainter* painter, QPointF origin, int first_line) const;

 private:
  int ShownLines() const;

  QString text_;
  QTextLayout layout_;
  QSize size_;
};

struct BalloonPlacement {
  QRect body;          // the rounded box, screen pixels
  QPoint tip;          // where the tail ends
  bool below = false;  // the box hangs below the tip, its tail up
};

// Places a box of `body` size next to the character at `figure` whose
// balloon points at `anchor` (screen pixels): above the anchor reaching
// right, flipped below the figure near the top and to the left near the
// right edge, and kept inside `screen` in any case. The tail's length and
// gaps grow with `scale`.
BalloonPlacement PlaceBalloon(QSize body, const QRect& figure, QPoint anchor, const QRect& screen,
                              qreal scale = 1);

}  // namespace parlotto::agent
