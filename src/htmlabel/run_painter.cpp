#include "htmlabel/run_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace parlotto {
namespace {

void DrawText(QPainter& painter, const QRect& rect, const QString& text, const QColor& color) {
  painter.setPen(color);
  painter.drawText(rect, kRunTextFlags, text);
}

}  // namespace

void PaintRun(QPainter& painter, const QRect& rect, const QString& text, const RunStyle& style) {
  painter.save();
  painter.setFont(style.font);
  QRect area = rect;
  QString shown = text;
  if (style.ellipsis) {
    QFontMetrics metrics(style.font, painter.device());
    shown = metrics.elidedText(text, Qt::ElideRight, area.width(), Qt::TextShowMnemonic);
  }
  if (style.rotation != 0) {
    // Turned about the run's bottom-left corner, as text with an escapement.
    painter.translate(area.bottomLeft() + QPoint(0, 1));
    painter.rotate(-style.rotation);
    area.moveBottomLeft(QPoint(0, -1));
  }
  if (style.background.isValid()) painter.fillRect(area, style.background);
  if (style.shadow) {
    DrawText(painter, area.translated(style.shadow_offset, style.shadow_offset), shown,
             style.shadow_color);
  }
  DrawText(painter, area, shown, style.text_color);
  if (style.marked) {
    PaintWavyLine(painter, area.left(), area.left() + area.width(), area.bottom() + 1, area.left(),
                  area.left() + area.width());
  }
  if (style.focused) {
    painter.setPen(QPen(style.text_color, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
  }
  painter.restore();
}

void PaintWavyLine(QPainter& painter, int left, int right, int y, int visible_left,
                   int visible_right) {
  int x = left - (((left % 2) + 2) % 2);  // down to even, also below 0
  // Skip whole steps left of what can be seen, keeping the phase.
  if (x < visible_left - 4) x += ((visible_left - 4 - x) / 4) * 4;
  int end = std::min(right, visible_right + 4);
  QPolygon wave;
  for (; x <= end; x += 2) {
    bool below = ((x % 4) + 4) % 4 == 0;
    wave << QPoint(x, below ? y + 1 : y - 1);
  }
  if (wave.size() < 2) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(Qt::red, 1));
  painter.drawPolyline(wave);
  painter.restore();
}

}  // namespace parlotto
