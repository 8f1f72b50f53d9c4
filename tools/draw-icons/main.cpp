// Draws the program's pictures into data/icons: the red lips of the tray
// icon at 16 and 32 pixels, the lips with a yellow speech bubble of the
// dialogs at 50 pixels, and the same on a transparent ground as the
// desktop's program icon in the icon theme's sizes (hicolor/NxN/apps).
// Run it after changing the drawing:
//   build/draw-icons data/icons
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// The sizes the desktop's menus, launchers and file managers ask for.
constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// A pair of lips in a 100 x 100 box, centred at (50, 50).
void DrawLips(QPainter& p) {
  QPainterPath upper;
  upper.moveTo(6, 52);
  upper.cubicTo(20, 40, 30, 24, 42, 30);
  upper.cubicTo(46, 32, 48, 35, 50, 35);
  upper.cubicTo(52, 35, 54, 32, 58, 30);
  upper.cubicTo(70, 24, 80, 40, 94, 52);
  upper.cubicTo(70, 50, 30, 50, 6, 52);
  QPainterPath lower;
  lower.moveTo(6, 52);
  lower.cubicTo(30, 54, 70, 54, 94, 52);
  lower.cubicTo(82, 72, 66, 80, 50, 80);
  lower.cubicTo(34, 80, 18, 72, 6, 52);

  p.setPen(QPen(QColor(110, 0, 10), 3));
  p.setBrush(QColor(215, 20, 35));
  p.drawPath(upper);
  p.setBrush(QColor(235, 35, 50));
  p.drawPath(lower);
  // A highlight on the lower lip.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 150, 160, 170));
  p.drawEllipse(QRectF(40, 60, 22, 8));
}

QImage Lips(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 100.0, size / 100.0);
  DrawLips(p);
  return image;
}

// The speech bubble above and right, the lips below and left, in a 50 x 50
// box.
void DrawLipsWithBubble(QPainter& p) {
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(18, 2, 30, 20), 7, 7);
  QPainterPath tail;
  tail.moveTo(24, 19);
  tail.lineTo(18, 28);
  tail.lineTo(31, 20);
  bubble = bubble.united(tail);
  p.setPen(QPen(QColor(150, 120, 0), 1.2));
  p.setBrush(QColor(255, 220, 40));
  p.drawPath(bubble);
  p.setPen(QPen(QColor(150, 120, 0), 1.5));
  for (int i = 0; i < 3; ++i) p.drawPoint(QPointF(26 + i * 7, 12));
  p.translate(0, 20);
  p.scale(0.34, 0.34);
  DrawLips(p);
}

// The dialogs' picture: white background (drawn transparent by the dialog).
QImage LipsWithBubble() {
  QImage image(50, 50, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawLipsWithBubble(p);
  return image;
}

// The program icon: the dialogs' picture without its ground, filling the
// square; at 16 and 22 pixels the lips alone, as a bubble would be a smudge.
QImage ProgramIcon(int size) {
  if (size <= 22) return Lips(size);
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 50.0, size / 50.0);
  DrawLipsWithBubble(p);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw-icons DIRECTORY\n");
    return 1;
  }
  QString dir = QString::fromLocal8Bit(argv[1]);
  bool ok = Lips(16).save(dir + "/taskicon1-16.png") && Lips(32).save(dir + "/taskicon1-32.png") &&
            LipsWithBubble().save(dir + "/image1.png");
  for (int size : kThemeSizes) {
    const QString theme_dir = QString("%1/hicolor/%2x%2/apps").arg(dir).arg(size);
    ok = ok && QDir().mkpath(theme_dir) && ProgramIcon(size).save(theme_dir + "/parlotto.png");
  }
  return ok ? 0 : 1;
}
