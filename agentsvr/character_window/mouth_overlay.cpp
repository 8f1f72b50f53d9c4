#include "agentsvr/character_window/mouth_overlay.h"

namespace parlotto::agent {

namespace {

QImage Premultiplied(const QImage& image) {
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QImage SpeakingInPose(const Character& character, int reference, int pose, int mouth) {
  const QImage face = Premultiplied(character.frames.at(reference));
  const QImage shape = Premultiplied(character.frames.at(mouth));
  QImage spoken = Premultiplied(character.frames.at(pose));
  if (face.size() != shape.size() || face.size() != spoken.size()) return QImage();
  qint64 changed = 0;
  qint64 laid = 0;
  for (int y = 0; y < face.height(); ++y) {
    const auto* rest = reinterpret_cast<const QRgb*>(face.constScanLine(y));
    const auto* open = reinterpret_cast<const QRgb*>(shape.constScanLine(y));
    auto* out = reinterpret_cast<QRgb*>(spoken.scanLine(y));
    for (int x = 0; x < face.width(); ++x) {
      if (open[x] == rest[x]) continue;
      ++changed;
      if (out[x] != rest[x]) continue;
      out[x] = open[x];
      ++laid;
    }
  }
  // Half the mouth hidden or moved: the pose shows another face.
  if (changed == 0 || laid * 2 < changed) return QImage();
  return spoken;
}

}  // namespace parlotto::agent
