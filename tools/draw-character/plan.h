// Which frames the default character has and which animations play them:
// the table that the drawing and the manifest are both made from.
#pragma once

#include <QString>
#include <array>
#include <vector>

#include "figure.h"

namespace parlotto::draw {

struct PlannedStep {
  int frame;
  int duration_ms;
};

struct PlannedAnimation {
  QString name;
  std::vector<PlannedStep> steps;
  int end_frame;
};

struct Plan {
  std::vector<Pose> poses;      // one per frame
  std::vector<QString> labels;  // one per frame, for the contact sheet
  std::vector<PlannedAnimation> animations;
  std::array<int, kMouthShapeCount> mouths{};
};

Plan ParlottoPlan();

}  // namespace parlotto::draw
