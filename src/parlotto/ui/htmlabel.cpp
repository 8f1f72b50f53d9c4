#include "parlotto/ui/htmlabel.h"

#include <QEnterEvent>
#include <QHelpEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "htmlabel/image_list.h"
#include "htmlabel/markup_text.h"
#include "htmlabel/picture_cache.h"
#include "htmlabel/picture_container.h"
#include "platform/gui/shell.h"

namespace parlotto {
namespace {

// The number of the anchor under the mouse, for whoever debugs hit tests:
// QT_LOGGING_RULES="parlotto.htmlabel.debug=true".
Q_LOGGING_CATEGORY(lcAnchors, "parlotto.htmlabel", QtInfoMsg)

// Auto sizing lays the text out in a rectangle this much larger, so that
// nothing wraps or is cut that the new size will show.
constexpr int kGrow = 65535;
constexpr int kAutoSizeMargin = 6;
constexpr int kCollapsedSize = 6;

}  // namespace

THTMLabel::THTMLabel(QWidget* parent)
    : QWidget(parent),
      html_text_([this] { TextChanged(); }),
      picture_cache_(new THTMLPictureCache(this)) {
  setMouseTracking(true);
  connect(picture_cache_, &THTMLPictureCache::Changed, this, [this] { update(); });
}

THTMLabel::~THTMLabel() = default;

void THTMLabel::TextChanged() {
  picture_cache_->Clear();
  update();
}

void THTMLabel::Changed() { update(); }

void THTMLabel::SetURLColor(TColor color) {
  if (url_color_ == color) return;
  url_color_ = color;
  Changed();
}

void THTMLabel::SetHover(bool hover) {
  hover_ = hover;
  Changed();
}

void THTMLabel::SetHoverColor(TColor color) {
  hover_color_ = color;
  Changed();
}

void THTMLabel::SetHoverFontColor(TColor color) {
  hover_font_color_ = color;
  Changed();
}

void THTMLabel::SetShadowColor(TColor color) {
  shadow_color_ = color;
  Changed();
}

void THTMLabel::SetShadowOffset(int offset) {
  shadow_offset_ = offset;
  Changed();
}

void THTMLabel::SetAnchorHint(bool on) {
  anchor_hint_ = on;
  Changed();
}

void THTMLabel::SetAutoSizing(bool on) {
  auto_sizing_ = on;
  if (on) {
    if (align_ == alLeft || align_ == alRight) resize(kCollapsedSize, height());
    if (align_ == alTop || align_ == alBottom) resize(width(), kCollapsedSize);
  }
  Changed();
}

void THTMLabel::SetAutoSizeType(TAutoSizeType type) {
  auto_size_type_ = type;
  SetAutoSizing(auto_sizing_);
}

void THTMLabel::SetEllipsis(bool on) {
  if (ellipsis_ == on) return;
  ellipsis_ = on;
  Changed();
}

void THTMLabel::SetVAlignment(TVAlignment alignment) {
  if (v_alignment_ == alignment) return;
  v_alignment_ = alignment;
  Changed();
}

void THTMLabel::SetBevelInner(TBevelCut cut) {
  frame_.bevel_inner = cut;
  Changed();
}

void THTMLabel::SetBevelOuter(TBevelCut cut) {
  frame_.bevel_outer = cut;
  Changed();
}

void THTMLabel::SetBevelWidth(int width) {
  frame_.bevel_width = width;
  Changed();
}

void THTMLabel::SetBorderStyle(TBorderStyle style) {
  frame_.border_style = style;
  Changed();
}

void THTMLabel::SetBorderWidth(int width) {
  frame_.border_width = width;
  Changed();
}

void THTMLabel::SetImages(ImageList* images) {
  if (images_) disconnect(images_.data(), nullptr, this, nullptr);
  images_ = images;
  if (images != nullptr) connect(images, &ImageList::Changed, this, [this] { update(); });
  Changed();
}

void THTMLabel::SetPictureContainer(TPictureContainer* container) {
  if (picture_container_) disconnect(picture_container_.data(), nullptr, this, nullptr);
  picture_container_ = container;
  if (container != nullptr) {
    connect(container, &TPictureContainer::Changed, this, [this] { update(); });
  }
  Changed();
}

void THTMLabel::SetColor(TColor color) {
  color_ = color;
  Changed();
}

void THTMLabel::SetTransparent(bool on) {
  transparent_ = on;
  Changed();
}

void THTMLabel::SetAlign(TAlign align) {
  align_ = align;
  Changed();
}

void THTMLabel::BeginUpdate() { ++update_count_; }

void THTMLabel::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) update();
}

QString THTMLabel::GetText() const { return PlainText(GetDisplText()); }

void THTMLabel::SetHTMLText(const QStringList& lines) {
  QString text = lines.join(QString());
  text.remove(u'\r');
  text.remove(u'\n');
  html_text_.Assign({text});
}

void THTMLabel::HilightText(const QString& text, bool case_sensitive) {
  html_text_.Assign({InsertAroundText(GetDisplText(), text, case_sensitive, u"<hi>", u"</hi>")});
}

void THTMLabel::MarkText(const QString& text, bool case_sensitive) {
  html_text_.Assign({InsertAroundText(GetDisplText(), text, case_sensitive, u"<e>", u"</e>")});
}

void THTMLabel::UnHilightText() {
  html_text_.Assign({RemoveTagPair(GetDisplText(), u"<HI>", u"</HI>")});
}

void THTMLabel::UnMarkText() {
  html_text_.Assign({RemoveTagPair(GetDisplText(), u"<E>", u"</E>")});
}

HTMLPaintOptions THTMLabel::PaintOptions() const {
  HTMLPaintOptions options;
  options.font = font();
  options.font_color = palette().color(QPalette::WindowText);
  options.background = ToQColor(color_, palette());
  options.palette = palette();
  options.device = this;
  options.images = images_.data();
  options.pictures = picture_container_.data();
  options.picture_cache = picture_cache_;
  options.shadow_offset = shadow_offset_;
  options.ellipsis = ellipsis_;
  options.url_color = url_color_;
  options.hover_color = hover_color_;
  options.hover_font_color = hover_font_color_;
  options.shadow_color = shadow_color_;
  options.hover_image = hovered_image_;
  return options;
}

bool THTMLabel::GrowsWidth() const {
  bool free = align_ == alLeft || align_ == alRight || align_ == alNone;
  return auto_sizing_ && free && (auto_size_type_ == asHorizontal || auto_size_type_ == asBoth);
}

bool THTMLabel::GrowsHeight() const {
  bool free = align_ == alTop || align_ == alBottom || align_ == alNone;
  return auto_sizing_ && free && (auto_size_type_ == asVertical || auto_size_type_ == asBoth);
}

THTMLabel::Layout THTMLabel::TextLayout() {
  Layout layout;
  const QRect area = FrameTextArea(rect(), frame_);
  layout.rect = area;
  const QString markup = GetDisplText();
  HTMLPaintOptions measure = PaintOptions();
  measure.check_hotspot = true;
  if (GrowsHeight()) layout.rect.setHeight(area.height() + kGrow);
  if (GrowsWidth()) {
    // Laid out without wrapping, but aligned within the width the label is
    // about to take, not within the 65535 extra pixels.
    layout.rect.setWidth(area.width() + kGrow);
    HTMLPaintResult text;
    HTMLPaint(nullptr, markup, layout.rect, measure, &text);
    layout.alignment_width = std::max(area.width(), text.width);
  }
  if (v_alignment_ != tvaTop) {
    measure.alignment_width = layout.alignment_width;
    HTMLPaintResult text;
    HTMLPaint(nullptr, markup, layout.rect, measure, &text);
    int free = area.height() - text.height;
    if (free > 0)
      layout.rect.setTop(layout.rect.top() + (v_alignment_ == tvaCenter ? free / 2 : free));
  }
  return layout;
}

void THTMLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor color = ToQColor(color_, palette());
  if (!transparent_ && color.isValid()) painter.fillRect(rect(), color);
  if (update_count_ > 0) return;
  PaintFrames(painter, rect(), frame_, color, palette());

  Layout layout = TextLayout();
  HTMLPaintOptions options = PaintOptions();
  options.mouse = mouse_;
  options.hover_style = hover_;
  options.hover_anchor = hovered_anchor_;
  options.alignment_width = layout.alignment_width;
  HTMLPaintResult result;
  HTMLPaint(&painter, GetDisplText(), layout.rect, options, &result);
  painter.end();
  if (auto_sizing_) ApplyAutoSize(result.width, result.height);
}

// Resizing inside a paint would nest geometry changes in the paint; the new
// size is applied right after it.
void THTMLabel::ApplyAutoSize(int text_width, int text_height) {
  QSize size = this->size();
  if (GrowsHeight()) size.setHeight(text_height + kAutoSizeMargin);
  if (GrowsWidth()) size.setWidth(text_width + kAutoSizeMargin);
  if (size == this->size()) return;
  QPointer<THTMLabel> self(this);
  QMetaObject::invokeMethod(
      this,
      [self, size] {
        if (self) self->resize(size);
      },
      Qt::QueuedConnection);
}

QString THTMLabel::IsAnchor(int x, int y, QRect* anchor_rect) {
  Layout layout = TextLayout();
  HTMLPaintOptions options = PaintOptions();
  options.check_hotspot = true;
  options.mouse = QPoint(x, y);
  options.alignment_width = layout.alignment_width;
  HTMLPaintResult result;
  HTMLPaint(nullptr, GetDisplText(), layout.rect, options, &result);
  hovered_anchor_ = result.mouse_anchor;
  hovered_image_ = result.mouse_image;
  bool found = result.mouse_anchor >= 0;
  if (anchor_rect != nullptr) *anchor_rect = found ? result.anchor_rect : QRect();
  return found ? result.anchor : QString();
}

void THTMLabel::HTMLPrint(QPainter* canvas, const QRect& rect) {
  if (canvas == nullptr) return;
  HTMLPaintOptions options = PaintOptions();
  options.device = nullptr;
  options.print = true;
  options.scale = 1.0;
  options.shadow_offset = 1;
  options.url_color = clBlue;
  options.shadow_color = clGray;
  options.hover_color = clNone;
  options.hover_font_color = clNone;
  options.hover_style = false;
  options.hover_image = -1;
  HTMLPaint(canvas, GetDisplText(), rect, options, nullptr);
}

void THTMLabel::Repaint(const QRect& area) { update(area.isNull() ? rect() : area); }

void THTMLabel::MouseMove(int x, int y) {
  int old_image = hovered_image_;
  QRect area;
  QString anchor = IsAnchor(x, y, &area);
  // An image with an ALT picture shows it while the mouse is on it.
  if (hovered_image_ != old_image) update();
  bool hand = testAttribute(Qt::WA_SetCursor) && cursor().shape() == Qt::PointingHandCursor;
  QPointer<THTMLabel> self(this);
  if (!anchor.isEmpty()) {
    if (anchor != last_anchor_ || area != hover_rect_ || hovered_anchor_ != last_anchor_number_ ||
        last_anchor_number_ == -1) {
      qCDebug(lcAnchors) << hovered_anchor_;
    }
    if (anchor != last_anchor_ || hovered_anchor_ != last_anchor_number_ || !hand) {
      if (anchor_hint_) QToolTip::hideText();
      setCursor(Qt::PointingHandCursor);
      QRect old_area = hover_rect_;
      last_anchor_ = anchor;
      last_anchor_number_ = hovered_anchor_;
      hover_rect_ = area;
      emit OnAnchorEnter(anchor);
      if (!self) return;
      if (hover_) {
        // The anchor left behind loses its hover style too.
        if (!old_area.isNull()) Repaint(old_area);
        Repaint(area);
      }
    }
  } else if (hand) {
    unsetCursor();
    emit OnAnchorExit(last_anchor_);
    if (!self) return;
    if (hover_) Repaint(hover_rect_);
  }
}

void THTMLabel::ClickAnchor(const QString& anchor) {
  if (anchor.contains(QLatin1StringView("://")) || anchor.contains(QLatin1StringView("mailto:"))) {
    ShellExecute(0, "open", anchor.toStdString(), "", "", SW_SHOWNORMAL);
    return;
  }
  emit OnAnchorClick(anchor);
}

void THTMLabel::mouseMoveEvent(QMouseEvent* event) {
  QPoint pos = event->position().toPoint();
  mouse_ = pos;
  MouseMove(pos.x(), pos.y());
}

void THTMLabel::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  // Any button: a right click on a link acts like a left one.
  QPoint pos = event->position().toPoint();
  QString anchor = IsAnchor(pos.x(), pos.y());
  if (anchor.isEmpty()) return;
  event->accept();
  ClickAnchor(anchor);
}

void THTMLabel::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  emit OnMouseEnter();
}

void THTMLabel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (hover_) Repaint(hover_rect_);
  hovered_anchor_ = -1;
  mouse_.reset();
  emit OnMouseLeave();
}

bool THTMLabel::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip && anchor_hint_) {
    auto* help = static_cast<QHelpEvent*>(event);
    QString anchor = IsAnchor(help->pos().x(), help->pos().y());
    if (!anchor.isEmpty()) {
      ShowAnchorHint(help->globalPos(), anchor);
      return true;
    }
  }
  return QWidget::event(event);
}

void THTMLabel::ShowAnchorHint(const QPoint& global_pos, QString anchor) {
  QPointer<THTMLabel> self(this);
  emit OnAnchorHint(anchor);
  if (!self) return;
  QToolTip::showText(global_pos + QPoint(10, -10), anchor, this);
}

}  // namespace parlotto
