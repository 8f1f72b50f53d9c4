// Whether the server's windows are on a real display. Without one (the
// offscreen platform of a headless session) shapes and stacking mean
// nothing, and the platform warns at every attempt.
#pragma once

#include <QGuiApplication>

namespace parlotto::agent {

inline bool OnRealDisplay() {
  return QGuiApplication::platformName() != QLatin1String("offscreen");
}

}  // namespace parlotto::agent
