#include "mouth.h"

#include <QPainterPath>

namespace parlotto::draw {

namespace {

const QColor kLipLine(0x6e, 0x1a, 0x26);
const QColor kInside(0x5b, 0x0f, 0x1e);
const QColor kTongue(0xf0, 0x7c, 0x8a);
const QColor kLip(0xd9, 0x5a, 0x6a);
constexpr double kScale = 1.35;

QPen LipPen(double width = 2.0) {
  return QPen(kLipLine, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// An open mouth: a gently curved upper edge from `left` to `right` of
// `width` at height `top`, and a rounder lower edge `depth` below it.
QPainterPath Opening(QPointF c, double width, double top, double depth, double smile = 3) {
  const double left = c.x() - width / 2;
  const double right = c.x() + width / 2;
  const double y = c.y() + top;
  QPainterPath path;
  path.moveTo(left, y);
  path.quadTo(c.x(), y - smile, right, y);
  path.cubicTo(right - width * 0.05, y + depth * 1.3, left + width * 0.05, y + depth * 1.3, left,
               y);
  path.closeSubpath();
  return path;
}

// Fills `opening` with the inside of the mouth, upper teeth `teeth` pixels
// deep and the tongue lying at the bottom, then outlines it.
void DrawOpening(QPainter& p, const QPainterPath& opening, double teeth, bool tongue) {
  const QRectF box = opening.boundingRect();
  p.setPen(Qt::NoPen);
  p.setBrush(kInside);
  p.drawPath(opening);
  p.save();
  p.setClipPath(opening);
  if (tongue) {
    p.setBrush(kTongue);
    p.drawEllipse(QPointF(box.center().x(), box.bottom()), box.width() * 0.32, box.height() * 0.42);
  }
  if (teeth > 0) {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(box.left(), box.top() - 3, box.width(), teeth + 3));
  }
  p.restore();
  p.setPen(LipPen());
  p.setBrush(Qt::NoBrush);
  p.drawPath(opening);
}

void DrawRest(QPainter& p, QPointF c) {
  QPainterPath smile;
  smile.moveTo(c + QPointF(-12, -3));
  smile.quadTo(c + QPointF(0, 7), c + QPointF(12, -3));
  p.setPen(LipPen(2.8));
  p.drawPath(smile);
  // Dimples at the corners.
  p.setPen(LipPen(1.8));
  p.drawLine(c + QPointF(-13.5, -5), c + QPointF(-11, -1.5));
  p.drawLine(c + QPointF(13.5, -5), c + QPointF(11, -1.5));
}

// Spread lips over two rows of teeth, as in "ee".
void DrawNarrow(QPainter& p, QPointF c) {
  const QPainterPath opening = Opening(c, 32, -4, 7, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPath(opening);
  p.setPen(QPen(kInside, 1.6));
  p.drawLine(c + QPointF(-14, 0.5), c + QPointF(14, 0.5));
  p.setPen(LipPen());
  p.setBrush(Qt::NoBrush);
  p.drawPath(opening);
}

// Pursed lips around a small round hole, as in "oo".
void DrawRound(QPainter& p, QPointF c) {
  p.setPen(LipPen(1.8));
  p.setBrush(kLip);
  p.drawEllipse(c + QPointF(0, 2), 10, 11);
  p.setPen(Qt::NoPen);
  p.setBrush(kInside);
  p.drawEllipse(c + QPointF(0, 2.5), 5, 6);
  p.setBrush(QColor(255, 255, 255, 120));
  p.drawEllipse(c + QPointF(-4, -4), 2.5, 1.5);
}

// Lips pressed together, as in "m": a straight line with the lips bulging.
void DrawClosed(QPainter& p, QPointF c) {
  p.setPen(LipPen(1.6));
  p.setBrush(kLip);
  QPainterPath lips;
  lips.moveTo(c + QPointF(-11, 0));
  lips.cubicTo(c + QPointF(-6, -5), c + QPointF(6, -5), c + QPointF(11, 0));
  lips.cubicTo(c + QPointF(6, 5), c + QPointF(-6, 5), c + QPointF(-11, 0));
  p.drawPath(lips);
  p.setPen(LipPen(2.6));
  p.drawLine(c + QPointF(-12, 0), c + QPointF(12, 0));
}

// Upper teeth resting on the lower lip, as in "f".
void DrawLipTeeth(QPainter& p, QPointF c) {
  const QPainterPath opening = Opening(c, 26, -5, 8, 2);
  DrawOpening(p, opening, 7, false);
  QPainterPath lower;
  lower.moveTo(c + QPointF(-12, 3));
  lower.quadTo(c + QPointF(0, -1), c + QPointF(12, 3));
  lower.quadTo(c + QPointF(0, 11), c + QPointF(-12, 3));
  p.setPen(LipPen(1.6));
  p.setBrush(kLip);
  p.drawPath(lower);
}

// Slightly open, the tip of the tongue up behind the teeth, as in "t", "l".
void DrawTongue(QPainter& p, QPointF c) {
  const QPainterPath opening = Opening(c, 24, -4, 9);
  DrawOpening(p, opening, 3, true);
  p.save();
  p.setClipPath(opening);
  p.setPen(QPen(kTongue.darker(125), 1));
  p.setBrush(kTongue);
  p.drawEllipse(c + QPointF(0, 1), 6.5, 4.5);
  p.restore();
  p.setPen(LipPen());
  p.setBrush(Qt::NoBrush);
  p.drawPath(opening);
}

}  // namespace

void DrawMouth(QPainter& p, QPointF c, MouthShape shape) {
  p.save();
  // Drawn a size larger than the shapes' numbers: lips must read from afar.
  p.translate(c);
  p.scale(kScale, kScale);
  p.translate(-c);
  switch (shape) {
    case kMouthOpen:
      DrawOpening(p, Opening(c, 30, -6, 17), 4, true);
      break;
    case kMouthMid:
      DrawOpening(p, Opening(c, 28, -5, 10), 3.5, true);
      break;
    case kMouthNarrow:
      DrawNarrow(p, c);
      break;
    case kMouthRound:
      DrawRound(p, c);
      break;
    case kMouthClosed:
      DrawClosed(p, c);
      break;
    case kMouthLipTeeth:
      DrawLipTeeth(p, c);
      break;
    case kMouthTongue:
      DrawTongue(p, c);
      break;
    default:
      DrawRest(p, c);
      break;
  }
  p.restore();
}

}  // namespace parlotto::draw
