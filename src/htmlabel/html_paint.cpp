#include "htmlabel/html_paint.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "htmlabel/apply_tag.h"
#include "htmlabel/line_renderer.h"
#include "htmlabel/markup_text.h"

namespace parlotto {
namespace {

constexpr int kMaxCoordinate = 1 << 24;

int LineStart(const QRect& rect, int alignment_width, HAlign align, int line_width) {
  int width = alignment_width > 0 ? alignment_width : rect.width();
  int free = width - line_width;
  switch (align) {
    case HAlign::kRight:
      return std::max(rect.left(), rect.left() + free);
    case HAlign::kCenter:
      return free > 0 ? rect.left() + free / 2 : rect.left();
    case HAlign::kLeft:
      break;
  }
  return rect.left();
}

int Add(int a, int b) { return static_cast<int>(std::min<qint64>(qint64(a) + b, kMaxCoordinate)); }

}  // namespace

bool HTMLPaint(QPainter* canvas, const QString& markup, const QRect& rect,
               const HTMLPaintOptions& options, HTMLPaintResult* result) {
  HTMLPaintResult local;
  HTMLPaintResult& out = result != nullptr ? *result : local;
  out = HTMLPaintResult();

  // Measuring needs some device; a plain image has the usual 96 dots per inch.
  static const QImage kFallbackDevice(1, 1, QImage::Format_ARGB32_Premultiplied);
  const QPaintDevice* device = canvas != nullptr ? canvas->device() : options.device;
  if (device == nullptr) device = &kFallbackDevice;

  const QString text = PrepareMarkup(markup);
  if (canvas != nullptr) {
    canvas->save();
    canvas->setBackgroundMode(Qt::TransparentMode);
    canvas->setBrush(Qt::NoBrush);
  }

  RenderState state = InitialState(options);
  LineRenderer renderer(canvas, *device, text, rect, options, out);
  renderer.DrawBody();
  const int limit = Add(rect.top(), rect.height());
  int top = rect.top();
  int height = 0;
  int width = 0;
  qsizetype pos = 0;
  while (pos < text.size()) {
    RenderState start = state;
    LineMetrics line = renderer.Measure(state, pos);
    int x = Add(LineStart(rect, options.alignment_width, state.align, line.width), state.indent);
    if (!options.check_height) {
      state = start;
      renderer.Draw(state, pos, line, x, top);
    }
    top = Add(top, line.FullHeight());
    height = Add(height, line.FullHeight());
    width = std::max(width, line.width);
    pos = line.end;
    if (line.last) break;
    if (top >= limit && !options.check_height) break;
  }
  renderer.Finish();

  out.width = width;
  out.height = height > 0 ? height : renderer.GhHeight(state.font);
  out.anchor_count = state.anchor_number;
  if (canvas != nullptr) canvas->restore();
  return out.mouse_anchor >= 0;
}

}  // namespace parlotto
