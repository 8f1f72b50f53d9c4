// Lays out one line of markup. The measuring pass decides where the line
// ends and how large it is; the drawing pass goes over the same markup again
// with the line's final geometry and draws it, or only hit-tests it.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <optional>

#include "htmlabel/render_state.h"

class QPainter;
class QPaintDevice;

namespace parlotto {

struct HTMLPaintOptions;
struct HTMLPaintResult;

struct LineMetrics {
  qsizetype end = 0;  // where the line's markup ends
  bool last = false;  // the rest of the markup is dropped
  int width = 0;
  int height = 0;  // tallest run or image, at least "gh"
  int superscript = 0;
  int subscript = 0;
  int image_offset = 0;  // text raised to an image's top or middle
  QColor paragraph_background;

  int FullHeight() const { return height + superscript + subscript; }
};

class LineRenderer {
 public:
  // `painter` may be null when nothing is drawn.
  LineRenderer(QPainter* painter, const QPaintDevice& device, const QString& markup,
               const QRect& rect, const HTMLPaintOptions& options, HTMLPaintResult& result);

  LineMetrics Measure(RenderState& state, qsizetype pos);
  // Goes over what Measure consumed, the line starting at x and top.
  void Draw(RenderState& state, qsizetype pos, const LineMetrics& line, int x, int top);
  // Before the first line: the backgrounds of "<BODY" tags.
  void DrawBody();
  // After the last line: reports a hit anchor that was never closed.
  void Finish();

  int GhHeight(const QFont& font);

 private:
  struct Run {
    qsizetype end;
    QString text;
  };

  const QFontMetrics& Metrics(const QFont& font);
  Run NextRun(qsizetype pos);
  QSize RunSize(const QFont& font, const QString& text);
  void DrawRun(const RenderState& state, const QRect& area, const QString& text, bool cut);
  void DrawBullet(const RenderState& state, int x, int baseline);
  void HitAnchor(const RenderState& state);
  void AnchorPiece(int right, int top, int bottom);
  void EndAnchor(int x, int top, int bottom);
  bool Visible(const QRect& area) const;

  QPainter* painter_;
  const QPaintDevice& device_;
  const QString& markup_;
  const QRect rect_;
  const HTMLPaintOptions& options_;
  HTMLPaintResult& result_;
  bool drawing_;
  QRect visible_;  // what the canvas can show, in its coordinates

  std::optional<QFont> metrics_font_;
  std::optional<QFontMetrics> metrics_;

  // The anchor being drawn: its pieces on each line so far and whether the
  // mouse is on it.
  int piece_left_ = 0;
  QRect anchor_area_;
  bool anchor_hit_ = false;
};

}  // namespace parlotto
