// The markup renderer: lays out and draws the label's markup line by line,
// or only hit-tests or measures it. Nothing is kept between calls; every
// paint and every mouse test parses the markup afresh.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

#include "htmlabel/color.h"

class QPainter;
class QPaintDevice;

namespace parlotto {

class ImageList;
class TPictureContainer;
class THTMLPictureCache;

struct HTMLPaintOptions {
  QFont font;  // the label's font
  QColor font_color = Qt::black;
  QColor background;  // the label's colour: hidden blink phase, animation fill
  QPalette palette;   // answers the system colours
  // Measures with this device's resolution when no canvas is given.
  const QPaintDevice* device = nullptr;

  const ImageList* images = nullptr;
  const TPictureContainer* pictures = nullptr;
  THTMLPictureCache* picture_cache = nullptr;

  std::optional<QPoint> mouse;  // none: no hit test
  int focus_anchor = -1;
  int hover_anchor = -1;
  int hover_image = -1;  // its ALT picture replaces its SRC
  int shadow_offset = 2;

  bool check_hotspot = false;  // lay out and hit-test, draw nothing
  bool check_height = false;   // measure only, the whole text
  bool print = false;
  bool selected = false;     // text in the highlight-text colour
  bool blink = false;        // the visible phase of blinking text
  bool hover_style = false;  // only the hovered anchor is underlined
  bool ellipsis = false;     // no word wrap; an overlong line ends in "..."

  double scale = 1.0;  // image-list pictures when printing
  TColor url_color = clBlue;
  TColor hover_color = clNone;
  TColor hover_font_color = clNone;
  TColor shadow_color = clGray;

  // Lines are aligned within this width from the rectangle's left edge;
  // 0 means the rectangle's width.
  int alignment_width = 0;
};

struct HTMLPaintResult {
  QString anchor;        // value of the anchor under the mouse
  QString plain_text;    // the text laid out, a CR for each "<BR>"
  QString focus_anchor;  // value of the focus anchor
  int width = 0;         // of the widest line
  int height = 0;        // of all lines laid out
  int anchor_count = 0;
  int mouse_anchor = -1;  // number (from 1) of the anchor under the mouse
  QRect anchor_rect;      // its area; null when none
  int mouse_image = -1;   // number (from 1) of the image under the mouse
};

// Returns true when the mouse lies on an anchor. `canvas` may be null for
// measuring and hit-testing (then `options.device` gives the resolution).
bool HTMLPaint(QPainter* canvas, const QString& markup, const QRect& rect,
               const HTMLPaintOptions& options, HTMLPaintResult* result);

}  // namespace parlotto
