// Drawing one run of text: its background, shadow, the text itself (with
// prefix processing, so "&&" shows one "&" and a lone "&" underlines the next
// character), the red wavy line of marked text and a focus frame.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace parlotto {

// Single line, bottom-aligned, tabs expanded, prefix processing.
constexpr int kRunTextFlags = Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine |
                              Qt::TextExpandTabs | Qt::TextShowMnemonic;

struct RunStyle {
  QFont font;
  QColor text_color;
  QColor background;  // invalid: none
  bool shadow = false;
  QColor shadow_color;
  int shadow_offset = 0;
  bool marked = false;
  bool focused = false;
  int rotation = 0;
  bool ellipsis = false;  // shorten the text to the rectangle with "..."
};

void PaintRun(QPainter& painter, const QRect& rect, const QString& text, const RunStyle& style);

// Pen width 1, from `left` rounded down to an even x to `right`, in steps of
// 2 pixels alternating between 1 pixel below and 1 above `y` (below where x
// is a multiple of 4). `visible_left` and `visible_right` bound the work.
void PaintWavyLine(QPainter& painter, int left, int right, int y, int visible_left,
                   int visible_right);

}  // namespace parlotto
