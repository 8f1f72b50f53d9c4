// Parlotto, the default character: a round turquoise fellow with a curl on
// his head, big eyes and a red bow tie, drawn with QPainter in any pose.
#pragma once

#include <QImage>
#include <QPointF>
#include <QSize>

#include "contracts/speech_control/speech_control_ids.h"

namespace parlotto::draw {

inline constexpr QSize kFrameSize(144, 160);
// The art is stored for screens of twice the density, the densest a desktop
// commonly scales to; the server scales it down for the others.
inline constexpr int kPixelRatio = 2;

struct Pose {
  double scale = 1;    // about the point between the feet
  double opacity = 1;  // the whole figure at once
  double breath = 0;   // 0..1: a little taller and narrower
  double bob = 0;      // pixels the body sinks, for a nod
  double eyelid = 0;   // 0 open .. 1 closed
  QPointF look;        // where the pupils turn, each axis -1..1
  double brows = 0;    // 0 calm .. 1 raised
  double book = 0;     // 0 none, up to 0.5 raised shut, 1 held open
  MouthShape mouth = kMouthRest;
};

// One frame of kFrameSize at `pixel_ratio` image pixels per frame pixel,
// transparent around the figure.
QImage DrawFigure(const Pose& pose, int pixel_ratio);

}  // namespace parlotto::draw
