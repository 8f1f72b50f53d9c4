#include "parlotto/ui/label_frame.h"

#include <QPainter>
#include <algorithm>

namespace parlotto {
namespace {

constexpr int kMaxFrameWidth = 1000;

int Width(int width) { return std::clamp(width, 0, kMaxFrameWidth); }

// Like a 3-D frame: `width` one-pixel rings, top-left in one colour and
// bottom-right in the other, each taking one pixel off the rectangle.
QRect Frame3D(QPainter& painter, QRect rect, const QColor& top_left, const QColor& bottom_right,
              int width) {
  for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
    painter.setPen(top_left);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(bottom_right);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    rect.adjust(1, 1, -1, -1);
  }
  return rect;
}

QRect Bevel(QPainter& painter, const QRect& rect, TBevelCut cut, int width,
            const QPalette& palette) {
  if (cut == bvNone) return rect;
  QColor shadow = palette.color(QPalette::Dark);
  QColor light = palette.color(QPalette::Light);
  return cut == bvLowered ? Frame3D(painter, rect, shadow, light, width)
                          : Frame3D(painter, rect, light, shadow, width);
}

QRect Shrink(const QRect& rect, int by) { return rect.adjusted(by, by, -by, -by); }

}  // namespace

QRect PaintFrames(QPainter& painter, const QRect& rect, const FrameStyle& style,
                  const QColor& color, const QPalette& palette) {
  painter.save();
  QRect area = Bevel(painter, rect, style.bevel_outer, Width(style.bevel_width), palette);
  if (color.isValid()) area = Frame3D(painter, area, color, color, Width(style.border_width));
  area = Bevel(painter, area, style.bevel_inner, Width(style.bevel_width), palette);
  if (style.border_style == bsSingle && style.border_width != 0) {
    int pen = Width(style.border_width);
    painter.setPen(QPen(Qt::black, pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    // The pen is centred on the outline; keep all of it inside the area.
    QRectF outline = QRectF(area).adjusted(pen / 2.0, pen / 2.0, -pen / 2.0, -pen / 2.0);
    painter.drawRect(outline);
  }
  painter.restore();
  return FrameTextArea(rect, style);
}

QRect FrameTextArea(const QRect& rect, const FrameStyle& style) {
  int bevel = Width(style.bevel_width);
  int border = Width(style.border_width);
  QRect area = rect;
  if (style.bevel_outer != bvNone) area = Shrink(area, bevel);
  area = Shrink(area, border);
  if (style.bevel_inner != bvNone) area = Shrink(area, bevel);
  if (style.bevel_inner != bvNone || style.bevel_outer != bvNone) area = Shrink(area, bevel);
  if (style.border_style == bsSingle) area = Shrink(area, border);
  return area;
}

}  // namespace parlotto
