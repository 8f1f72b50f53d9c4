// The label's frames: outer bevel, a border in the label's colour, inner
// bevel and a single black frame, and the text area they leave.
#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>

class QPainter;

namespace parlotto {

enum TBevelCut { bvNone = 0, bvLowered = 1, bvRaised = 2 };
enum TBorderStyle { bsNone = 0, bsSingle = 1 };

struct FrameStyle {
  TBevelCut bevel_inner = bvNone;
  TBevelCut bevel_outer = bvNone;
  int bevel_width = 1;
  TBorderStyle border_style = bsNone;
  int border_width = 0;
};

// Draws the frames into `rect` and returns the area left for the text.
QRect PaintFrames(QPainter& painter, const QRect& rect, const FrameStyle& style,
                  const QColor& color, const QPalette& palette);

// The same area without drawing: every frame takes its width, and then the
// bevel width once more (when there is a bevel) and the border width once more
// (with a single frame).
QRect FrameTextArea(const QRect& rect, const FrameStyle& style);

}  // namespace parlotto
