#include "agentsvr/character_window/test_character.h"

#include <QPainter>

namespace parlotto::agent::test {

namespace {

constexpr QSize kSize(96, 112);

QImage Face(int eyes, int brows, int mouth, qreal scale = 1.0, qreal opacity = 1.0) {
  QImage image(kSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setOpacity(opacity);
  // A faint patch, as a shadow would be.
  painter.fillRect(QRect(0, 0, 12, 12), QColor(0, 0, 0, 60));
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(kSize.width() / 2.0, kSize.height() / 2.0 + 8);
  painter.scale(scale, scale);
  painter.setPen(QPen(QColor(60, 40, 20), 2));
  painter.setBrush(QColor(250, 200, 90));
  painter.drawEllipse(QPointF(0, 0), 44, 46);
  painter.setBrush(QColor(30, 30, 30));
  for (const int side : {-1, 1}) {
    if (eyes == 0)
      painter.drawEllipse(QPointF(side * 16, -12), 5, 7);
    else
      painter.drawLine(QPointF(side * 16 - 5, -12), QPointF(side * 16 + 5, -12));
    const qreal brow_y = brows == 0 ? -26 : -34;
    painter.drawLine(QPointF(side * 16 - 7, brow_y), QPointF(side * 16 + 7, brow_y));
  }
  painter.setBrush(QColor(150, 30, 40));
  // One mouth per shape: closed line, then ellipses of distinct sizes.
  static constexpr QSizeF kMouths[] = {{0, 0}, {12, 14}, {14, 8}, {18, 4},
                                       {7, 9}, {16, 1},  {13, 5}, {10, 6}};
  const QSizeF m = kMouths[mouth];
  if (mouth == 0)
    painter.drawLine(QPointF(-12, 20), QPointF(12, 20));
  else
    painter.drawEllipse(QPointF(0, 20), m.width(), m.height() + 0.5 * mouth);
  return image;
}

}  // namespace

Character MakeTestCharacter() {
  Character character;
  character.name = "Probe";
  character.voice = "de";
  character.frame_size = kSize;
  character.frames = {Face(0, 0, 0), Face(1, 0, 0), Face(0, 1, 0), Face(0, 0, 0, 0.5)};
  for (int shape = 1; shape < kMouthShapeCount; ++shape)
    character.frames.push_back(Face(0, 0, shape));
  character.frames.push_back(Face(0, 0, 0, 1.0, 0.4));
  character.frames.push_back(Face(0, 0, 0, 1.0, 0.0));
  character.mouth_frames[kMouthRest] = -1;
  for (int shape = 1; shape < kMouthShapeCount; ++shape)
    character.mouth_frames[shape] = MouthFrameOf(shape);
  character.animations["show"] = {{{kSmallFrame, 80}, {kRestFrame, 80}}, -1};
  character.animations["hide"] = {{{kRestFrame, 80}, {kSmallFrame, 80}}, -1};
  character.animations["idle"] = {{{kRestFrame, 300}, {kBlinkFrame, 100}}, -1};
  character.animations["wave"] = {{{kBrowsFrame, 60}, {kRestFrame, 60}, {kBrowsFrame, 60}},
                                  kBrowsFrame};
  character.animations["long"] = {{{kBrowsFrame, 60000}}, -1};
  character.balloon_anchor = QPoint(48, 4);
  return character;
}

bool ShowsFrame(const QImage& image, const Character& character, int frame) {
  // Without a compositor translucent pixels are drawn opaque.
  const QImage want = character.frames.at(frame).convertToFormat(QImage::Format_ARGB32);
  const QImage shown = image.convertToFormat(QImage::Format_ARGB32);
  if (shown.size() != want.size()) return false;
  for (int y = 0; y < want.height(); ++y) {
    for (int x = 0; x < want.width(); ++x)
      if (qAlpha(want.pixel(x, y)) == 255 && shown.pixel(x, y) != want.pixel(x, y)) return false;
  }
  return true;
}

}  // namespace parlotto::agent::test
