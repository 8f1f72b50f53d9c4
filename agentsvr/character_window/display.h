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

// Whether the X server is XWayland, whose window managers (Weston's) may
// neither place nor show a managed window the way the figure needs.
bool OnXWayland();

// Where a desktop says how large it draws. `logical_dpi` is Xft.dpi as the
// X11 platform reads it, 96 when unset.
struct ScaleSources {
  QString qt_scale_factor;  // QT_SCALE_FACTOR, which asks every Qt program
  QString gdk_scale;        // GDK_SCALE, GTK's whole-number window scale
  qreal logical_dpi = 96;
};

// How many times as large as at 96 dots per inch the character is drawn:
// the first of QT_SCALE_FACTOR, GDK_SCALE and Xft.dpi / 96 that holds a
// number, in steps of a quarter, from 1 to 4.
qreal ScaleFrom(const ScaleSources& sources);

// Takes QT_SCALE_FACTOR and QT_SCREEN_SCALE_FACTORS out of the environment
// before the application object is made, so that Qt's positions stay
// device pixels; DisplayScale still honours the first.
void TakeQtScaleFactors();

// ScaleFrom for this desktop.
qreal DisplayScale();

}  // namespace parlotto::agent
