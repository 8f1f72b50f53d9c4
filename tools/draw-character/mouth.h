// The figure's mouth for each mouth shape: the shapes that lip-sync tells
// apart must be told apart at a glance, also at the figure's small size.
#pragma once

#include <QPainter>
#include <QPointF>

#include "contracts/speech_control/speech_control_ids.h"

namespace parlotto::draw {

// Draws the mouth `shape` centred at `centre` (about 40 by 32 pixels).
void DrawMouth(QPainter& p, QPointF centre, MouthShape shape);

}  // namespace parlotto::draw
