// Whether the server's windows are on a real display. Without one (the
// offscreen platform of a headless session) shapes and stacking mean
// nothing, and the platform warns at every attempt.
#pragma once

#include <QGuiApplication>

namespace parlotto::agent {

inline bool OnRealDisplay() {
  return QGuiApplication::platformName() != QLatin1String("offscreen");
}

// Whether a compositing manager blends translucent windows into what is
// behind them. Without one the X server shows a window's pixels as they
// are, so half-transparent ones come out dark.
bool Composited();

}  // namespace parlotto::agent
