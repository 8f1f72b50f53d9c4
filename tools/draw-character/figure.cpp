#include "figure.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

#include "mouth.h"

namespace parlotto::draw {

namespace {

// The figure is drawn in frame coordinates at full size, standing on kGround.
constexpr QPointF kGround(72, 154);
const QColor kOutline(0x1d, 0x5e, 0x5a);
const QColor kBodyLight(0x8a, 0xe3, 0xd8);
const QColor kBody(0x35, 0xb3, 0xa8);
const QColor kBodyDark(0x22, 0x8a, 0x82);
const QColor kBelly(0xd4, 0xf7, 0xf1);
const QColor kFeet(0xf2, 0x9e, 0x38);
const QColor kFeetDark(0xa8, 0x5e, 0x12);
const QColor kPupil(0x1c, 0x24, 0x33);
const QColor kBow(0xe0, 0x3c, 0x3a);
const QColor kBowDark(0x8e, 0x1c, 0x20);
const QColor kCover(0xc8, 0x3f, 0x49);
const QColor kCoverDark(0x7a, 0x1d, 0x2a);
const QColor kPage(0xfb, 0xf3, 0xdc);
constexpr double kLine = 2.4;

QPen Outline(QColor color = kOutline, double width = kLine) {
  return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

const QRectF kBodyRect(20, 36, 104, 116);

void DrawShadow(QPainter& p) {
  QRadialGradient shade(kGround, 46);
  shade.setColorAt(0, QColor(0, 0, 0, 60));
  shade.setColorAt(1, QColor(0, 0, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(shade);
  p.drawEllipse(kGround, 46, 7);
}

void DrawFeet(QPainter& p) {
  p.setPen(Outline(kFeetDark, 2));
  p.setBrush(kFeet);
  p.drawEllipse(QPointF(52, 150), 15, 7);
  p.drawEllipse(QPointF(92, 150), 15, 7);
}

// The curl on top, drawn before the body so that its root hides behind it.
void DrawCurl(QPainter& p) {
  QPainterPath curl;
  curl.moveTo(62, 44);
  curl.cubicTo(56, 26, 70, 12, 84, 16);
  curl.cubicTo(94, 19, 94, 32, 85, 33);
  curl.cubicTo(79, 34, 77, 27, 82, 25);
  curl.cubicTo(74, 24, 70, 34, 80, 44);
  curl.closeSubpath();
  p.setPen(Outline());
  p.setBrush(kBodyDark);
  p.drawPath(curl);
}

// Arms hanging at the sides, a little away from the body.
void DrawArms(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(kBody);
  for (const int side : {-1, 1}) {
    p.save();
    p.translate(72 + side * 50, 104);
    p.rotate(side * -24);
    p.drawEllipse(QPointF(0, 10), 9, 17);
    p.restore();
  }
}

void DrawBody(QPainter& p) {
  QRadialGradient shade(QPointF(56, 66), 100);
  shade.setColorAt(0, kBodyLight);
  shade.setColorAt(0.55, kBody);
  shade.setColorAt(1, kBodyDark);
  p.setPen(Outline());
  p.setBrush(shade);
  p.drawEllipse(kBodyRect);
  // The belly, inside the outline.
  QPainterPath body;
  body.addEllipse(kBodyRect.adjusted(2, 2, -2, -2));
  p.save();
  p.setClipPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(kBelly);
  p.drawEllipse(QPointF(72, 136), 36, 30);
  p.restore();
}

void DrawCheeks(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xff, 0x8c, 0x96, 190));
  p.drawEllipse(QPointF(38, 104), 9, 6);
  p.drawEllipse(QPointF(106, 104), 9, 6);
}

void DrawEye(QPainter& p, QPointF centre, const Pose& pose) {
  const QRectF white(centre.x() - 13, centre.y() - 15, 26, 30);
  if (pose.eyelid >= 0.95) {
    // Shut: a lash line curving down, as in a content blink.
    QPainterPath shut;
    shut.moveTo(white.left() + 1, centre.y() + 2);
    shut.quadTo(centre.x(), centre.y() + 10, white.right() - 1, centre.y() + 2);
    p.setPen(Outline(kPupil, 2.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shut);
    return;
  }
  p.setPen(Outline());
  p.setBrush(Qt::white);
  p.drawEllipse(white);
  QPainterPath inside;
  inside.addEllipse(white.adjusted(1, 1, -1, -1));
  p.save();
  p.setClipPath(inside);
  const QPointF pupil = centre + QPointF(pose.look.x() * 5, pose.look.y() * 6 + 1);
  p.setPen(Qt::NoPen);
  p.setBrush(kPupil);
  p.drawEllipse(pupil, 7.5, 8.5);
  p.setBrush(Qt::white);
  p.drawEllipse(pupil + QPointF(-2.8, -3.4), 2.8, 2.8);
  p.drawEllipse(pupil + QPointF(3, 3), 1.2, 1.2);
  if (pose.eyelid > 0) {
    // The lid comes down from above in the body's colour.
    const double lid = white.top() + white.height() * pose.eyelid;
    p.setBrush(kBody);
    p.drawRect(QRectF(white.left(), white.top() - 1, white.width(), lid - white.top() + 1));
    p.setPen(Outline());
    p.drawLine(QPointF(white.left(), lid), QPointF(white.right(), lid));
  }
  p.restore();
  p.setPen(Outline());
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(white);
}

void DrawBrows(QPainter& p, double raise) {
  p.setPen(Outline(kOutline, 2.8));
  for (const int side : {-1, 1}) {
    const double x = 72 + side * 18;
    const double y = 58 - raise * 5;
    QPainterPath brow;
    brow.moveTo(x - 7 * side, y + 2);
    brow.quadTo(x, y - 3 - raise * 2, x + 8 * side, y + 1);
    p.drawPath(brow);
  }
}

void DrawBowTie(QPainter& p) {
  QPainterPath bow;
  bow.moveTo(72, 140);
  bow.cubicTo(64, 133, 58, 133, 57, 140);
  bow.cubicTo(58, 147, 64, 147, 72, 140);
  bow.cubicTo(80, 133, 86, 133, 87, 140);
  bow.cubicTo(86, 147, 80, 147, 72, 140);
  p.setPen(Outline(kBowDark, 1.8));
  p.setBrush(kBow);
  p.drawPath(bow);
  p.drawEllipse(QPointF(72, 140), 3.4, 3.4);
}

void DrawHand(QPainter& p, QPointF at) {
  p.setPen(Outline());
  p.setBrush(kBody);
  p.drawEllipse(at, 7.5, 7);
}

// A book shut, held at the side: `t` 0..1 brings it from the hip up front.
void DrawShutBook(QPainter& p, double t) {
  const QPointF centre(104 - 32 * t, 140 - 6 * t);
  p.save();
  p.translate(centre);
  p.rotate(18 - 18 * t);
  const QRectF cover(-20, -15, 40, 30);
  p.setPen(Outline(kCoverDark, 2));
  p.setBrush(QColor(kPage));
  p.drawRoundedRect(cover.translated(2, -2), 3, 3);
  p.setBrush(kCover);
  p.drawRoundedRect(cover, 3, 3);
  p.setPen(Outline(QColor(0xf5, 0xc8, 0x4c), 1.6));
  p.drawLine(QPointF(-10, -4), QPointF(10, -4));
  p.drawLine(QPointF(-7, 2), QPointF(7, 2));
  p.restore();
  DrawHand(p, centre + QPointF(-20 + 8 * t, 4));
  DrawHand(p, centre + QPointF(20 - 2 * t, 6));
}

// The book open in both hands, its covers towards the viewer, the pages'
// edges showing above them.
void DrawOpenBook(QPainter& p) {
  const QPointF c(72, 136);
  QPainterPath pages;
  pages.moveTo(c + QPointF(-36, -12));
  pages.quadTo(c + QPointF(-18, -20), c + QPointF(0, -10));
  pages.quadTo(c + QPointF(18, -20), c + QPointF(36, -12));
  pages.lineTo(c + QPointF(36, -4));
  pages.lineTo(c + QPointF(-36, -4));
  pages.closeSubpath();
  p.setPen(Outline(QColor(0xa8, 0x92, 0x6a), 1.6));
  p.setBrush(kPage);
  p.drawPath(pages);
  for (const int side : {-1, 1}) {
    QPainterPath cover;
    cover.moveTo(c + QPointF(0, -8));
    cover.lineTo(c + QPointF(side * 40, -12));
    cover.lineTo(c + QPointF(side * 38, 14));
    cover.lineTo(c + QPointF(0, 18));
    cover.closeSubpath();
    QLinearGradient shade(c, c + QPointF(side * 40, 0));
    shade.setColorAt(0, kCoverDark);
    shade.setColorAt(0.25, kCover);
    shade.setColorAt(1, kCover.lighter(112));
    p.setPen(Outline(kCoverDark, 2));
    p.setBrush(shade);
    p.drawPath(cover);
  }
  p.setPen(Outline(QColor(0xf5, 0xc8, 0x4c), 1.6));
  p.drawLine(c + QPointF(14, 0), c + QPointF(30, -1));
  p.drawLine(c + QPointF(16, 6), c + QPointF(26, 5.5));
  DrawHand(p, c + QPointF(-38, 4));
  DrawHand(p, c + QPointF(38, 4));
}

void DrawBook(QPainter& p, double book) {
  if (book <= 0) return;
  if (book < 1) {
    DrawShutBook(p, std::min(book / 0.75, 1.0));
  } else {
    DrawOpenBook(p);
  }
}

void Paint(QPainter& p, const Pose& pose) {
  DrawShadow(p);
  // Everything but the shadow scales about the feet and breathes upwards.
  p.translate(kGround);
  p.scale(pose.scale * (1 - 0.012 * pose.breath), pose.scale * (1 + 0.03 * pose.breath));
  p.translate(-kGround + QPointF(0, pose.bob));
  DrawFeet(p);
  DrawCurl(p);
  if (pose.book <= 0) DrawArms(p);
  DrawBody(p);
  DrawCheeks(p);
  DrawEye(p, QPointF(54, 80), pose);
  DrawEye(p, QPointF(90, 80), pose);
  DrawBrows(p, pose.brows);
  DrawMouth(p, QPointF(72, 110), pose.mouth);
  DrawBowTie(p);
  DrawBook(p, pose.book);
}

}  // namespace

QImage DrawFigure(const Pose& pose, int pixel_ratio) {
  const QSize size = kFrameSize * pixel_ratio;
  // Drawn whole first and faded afterwards, so that overlapping parts do not
  // show through each other while the figure fades.
  QImage figure(size, QImage::Format_ARGB32_Premultiplied);
  figure.fill(Qt::transparent);
  if (pose.scale > 0) {
    QPainter p(&figure);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.scale(pixel_ratio, pixel_ratio);
    Paint(p, pose);
  }
  if (pose.opacity >= 1) return figure;
  QImage faded(size, QImage::Format_ARGB32_Premultiplied);
  faded.fill(Qt::transparent);
  QPainter p(&faded);
  p.setOpacity(std::max(pose.opacity, 0.0));
  p.drawImage(0, 0, figure);
  return faded;
}

}  // namespace parlotto::draw
