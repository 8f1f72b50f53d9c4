// An "<IMG" tag: which picture it shows, the space it takes and how it sits
// on its line.
#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QStringView>
#include <optional>

#include "htmlabel/picture_lookup.h"

class QPainter;
class QPaintDevice;

namespace parlotto {

struct HTMLPaintOptions;

struct ImageBox {
  FoundPicture picture;
  QSize size;              // the space taken, in device pixels
  bool stretched = false;  // drawn to `size` rather than at its own size
  bool align_top = false;
  bool align_middle = false;
};

// `number` counts the image tags from 1; the image last found under the
// mouse shows its ALT picture instead. Nothing when no picture is found.
std::optional<ImageBox> ResolveImage(QStringView tag, int number, const HTMLPaintOptions& options,
                                     const QPaintDevice& device);

// Draws at `at` (the image's top-left); animations first fill their largest
// frame with `background`.
void PaintImage(QPainter& painter, const ImageBox& box, QPoint at, const QColor& background,
                const QPaintDevice& device);

}  // namespace parlotto
