#include "parlotto/ui/dialogs/file_copy_animation.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace parlotto {
namespace {

// How far the sheet (16 x 20, turned by up to 20 degrees) reaches from its
// centre.
constexpr qreal kSheetReach = 13;

void DrawFolder(QPainter& p, const QRectF& box) {
  QPainterPath folder;
  folder.moveTo(box.left(), box.top() + 4);
  folder.lineTo(box.left() + box.width() * 0.4, box.top() + 4);
  folder.lineTo(box.left() + box.width() * 0.5, box.top());
  folder.lineTo(box.right(), box.top());
  folder.lineTo(box.right(), box.bottom());
  folder.lineTo(box.left(), box.bottom());
  folder.closeSubpath();
  p.setPen(QPen(QColor(150, 110, 0), 1));
  p.setBrush(QColor(250, 210, 80));
  p.drawPath(folder);
}

}  // namespace

TFileCopyAnimation::TFileCopyAnimation(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(70);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % (kStopFrame + 1);
    update();
  });
}

void TFileCopyAnimation::SetActive(bool active) {
  if (active) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

void TFileCopyAnimation::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = width();
  const qreal h = height();
  // The folders stand at the bottom, so that the arc has the height above them.
  const qreal folder_top = h - 30 - 3;
  const QRectF source(w * 0.12, folder_top, 44, 30);
  const QRectF target(w * 0.88 - 44, folder_top, 44, 30);
  DrawFolder(p, source);
  DrawFolder(p, target);
  // The sheet flies on an arc from the left folder's mouth to the right
  // one's; at its top it stays whole inside the widget, at any angle.
  const qreal t = static_cast<qreal>(frame_) / kStopFrame;
  const qreal x = source.center().x() + (target.center().x() - source.center().x()) * t;
  const qreal mouth = source.top() + 4;
  const qreal peak = std::min(kSheetReach + 1, mouth);
  const qreal y = mouth - (mouth - peak) * 4 * t * (1 - t);
  p.save();
  p.translate(x, y);
  p.rotate(-20 + 40 * t);
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(-8, -10, 16, 20));
  p.setPen(QPen(QColor(120, 120, 200), 1));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(-5, -6 + i * 4), QPointF(5, -6 + i * 4));
  p.restore();
}

}  // namespace parlotto
