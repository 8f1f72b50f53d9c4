#include "agentsvr/character_window/balloon_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

#include "agentsvr/character_window/display.h"

namespace parlotto::agent {

namespace {

constexpr int kPadding = 12;
constexpr int kRadius = 10;
constexpr int kTailBase = 16;
constexpr qreal kBorder = 1.5;
constexpr qreal kMinPointSize = 11;
const QColor kFill(255, 253, 231);
const QColor kBorderColor(70, 70, 70);
const QColor kTextColor(20, 20, 20);
const QColor kHighlight(255, 201, 77);

QRect ScreenFor(const QRect& figure) {
  QScreen* screen = QGuiApplication::screenAt(figure.center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

BalloonWindow::BalloonWindow(qreal scale)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint |
                           // Clicks go through to what is behind, on the X server's
                           // level too: the window reaches down over the figure.
                           Qt::WindowTransparentForInput),
      composited_(Composited()),
      scale_(scale) {
  setObjectName("parlotto-character-balloon");
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  linger_.setSingleShot(true);
  connect(&linger_, &QTimer::timeout, this, &BalloonWindow::HideNow);
}

BalloonWindow::~BalloonWindow() = default;

QFont BalloonWindow::Font() const {
  QFont font = QApplication::font();
  qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 0.75;
  points = std::max(points, kMinPointSize);
  // Points already grow with Xft.dpi; the scale may come from elsewhere
  // (GDK_SCALE, QT_SCALE_FACTOR), so only what the DPI leaves is added.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal dpi_scale = screen != nullptr ? screen->logicalDotsPerInch() / 96 : 1;
  font.setPointSizeF(points * scale_ / std::max(dpi_scale, qreal{0.5}));
  return font;
}

void BalloonWindow::ShowText(const QString& text, const QRect& figure, QPoint anchor) {
  linger_.stop();
  full_text_ = text;
  LayOutSliceAt(0);
  highlight_start_ = -1;
  highlight_length_ = 0;
  first_line_ = 0;
  figure_ = figure;
  anchor_ = anchor;
  Place();
  show();
  if (OnRealDisplay()) raise();
  update();
}

void BalloonWindow::Highlight(int start, int length) {
  if (!text_) return;
  const int slice_end = slice_start_ + SliceLength();
  if (start < slice_start_ || (start + length > slice_end && slice_end < full_text_.size())) {
    LayOutSliceAt(start);
    Place();
  }
  highlight_start_ = start - slice_start_;
  highlight_length_ = length;
  first_line_ = text_->FirstShownLine(highlight_start_);
  update();
}

int BalloonWindow::SliceLength() const {
  return text_ ? static_cast<int>(text_->Text().size()) : 0;
}

void BalloonWindow::LayOutSliceAt(int position) {
  // A line or so of what came before, from the start of a word.
  constexpr int kBefore = 80;
  int start = std::clamp(position - kBefore, 0, static_cast<int>(full_text_.size()));
  if (start > 0) {
    const qsizetype blank = full_text_.indexOf(QLatin1Char(' '), start);
    if (blank >= 0 && blank < position) start = static_cast<int>(blank) + 1;
  }
  slice_start_ = start;
  text_ = std::make_unique<BalloonText>(full_text_.mid(start, kSliceLength), Font(), scale_);
}

void BalloonWindow::Follow(const QRect& figure, QPoint anchor) {
  figure_ = figure;
  anchor_ = anchor;
  if (text_ && isVisible()) Place();
}

void BalloonWindow::HideLater() {
  if (isVisible()) linger_.start(kLingerMs);
}

void BalloonWindow::HideNow() {
  linger_.stop();
  hide();
  text_.reset();
  full_text_.clear();
  slice_start_ = 0;
}

void BalloonWindow::Place() {
  const int padding = qRound(kPadding * scale_);
  const QSize body = text_->Size() + QSize(2 * padding, 2 * padding);
  placement_ = PlaceBalloon(body, figure_, anchor_, ScreenFor(figure_), scale_);
  const QRect window = placement_.body.united(QRect(placement_.tip, QSize(1, 1)));
  setGeometry(window);
  // Without a compositor the corners would show black; the mask keeps them
  // out, and the edge half-pixels it lets through blend into the border.
  // Blended, the clear pixels need no mask, and one would leave the old
  // tail on the screen under XWayland, which shows the window's buffer
  // whole, including what lies outside a shape that has shrunk.
  if (OnRealDisplay() && !composited_) setMask(QRegion(Shape(0).toFillPolygon().toPolygon()));
  update();
}

QPainterPath BalloonWindow::Shape(qreal inset) const {
  // In window coordinates, `inset` inside the window's edges.
  const QPoint offset = geometry().topLeft();
  const QRectF body =
      QRectF(placement_.body.translated(-offset)).adjusted(inset, inset, -inset, -inset);
  QPainterPath path;
  const qreal radius = kRadius * scale_;
  const qreal tail_base = kTailBase * scale_;
  path.addRoundedRect(body, radius, radius);
  const QPointF tip = placement_.tip - offset;
  const bool tip_outside = placement_.below ? tip.y() < body.top() : tip.y() > body.bottom();
  if (tip_outside) {
    const qreal edge = placement_.below ? body.top() + 1 : body.bottom() - 1;
    const qreal base =
        std::clamp(tip.x() - tail_base / 2, body.left() + radius,
                   std::max(body.left() + radius, body.right() - radius - tail_base));
    QPainterPath tail;
    tail.moveTo(base, edge);
    tail.lineTo(tip);
    tail.lineTo(base + tail_base, edge);
    tail.closeSubpath();
    path = path.united(tail);
  }
  return path;
}

void BalloonWindow::paintEvent(QPaintEvent* /*event*/) {
  if (!text_) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  // Unblended, the shape's edge pixels that the border only touches would
  // show black: the border's colour fills the whole shape first.
  if (!composited_) painter.fillRect(rect(), kBorderColor);
  const qreal border = kBorder * scale_;
  painter.setPen(QPen(kBorderColor, border));
  painter.setBrush(kFill);
  painter.drawPath(Shape(border));  // inset so the stroke is not cut
  const qreal padding = qRound(kPadding * scale_);
  const QPointF origin =
      QPointF(placement_.body.topLeft() - geometry().topLeft()) + QPointF(padding, padding);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kHighlight);
  const qreal reach = 2 * scale_;
  const qreal corner = 4 * scale_;
  for (const QRectF& rect : text_->RangeRects(highlight_start_, highlight_length_, first_line_)) {
    painter.drawRoundedRect(rect.translated(origin).adjusted(-reach, 0, reach, 0), corner, corner);
  }
  painter.setPen(kTextColor);
  text_->Draw(&painter, origin, first_line_);
}

}  // namespace parlotto::agent
