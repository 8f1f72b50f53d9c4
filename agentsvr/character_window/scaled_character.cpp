#include "agentsvr/character_window/scaled_character.h"

#include <cmath>

namespace parlotto::agent {

namespace {

int Scaled(int length, qreal scale) { return static_cast<int>(std::lround(length * scale)); }

}  // namespace

Character AtScale(const Character& character, qreal scale) {
  Character scaled = character;
  scaled.frame_size = QSize(Scaled(character.frame_size.width(), scale),
                            Scaled(character.frame_size.height(), scale));
  scaled.balloon_anchor = QPoint(Scaled(character.balloon_anchor.x(), scale),
                                 Scaled(character.balloon_anchor.y(), scale));
  scaled.pixel_ratio = 1;
  for (QImage& frame : scaled.frames) {
    if (frame.size() == scaled.frame_size) continue;
    // Smooth: art drawn denser than the screen keeps its edges when it
    // shrinks; larger it is at least not blocky.
    frame = frame.scaled(scaled.frame_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return scaled;
}

}  // namespace parlotto::agent
