// A label that draws the program's small HTML-like markup: fonts, colours,
// paragraphs, lists, rules, pictures and anchors the user can point at and
// click. It keeps no parsed form; every paint and every mouse test lays the
// markup out again.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "htmlabel/color.h"
#include "htmlabel/html_paint.h"
#include "htmlabel/html_strings.h"
#include "htmlabel/image_list.h"
#include "htmlabel/picture_container.h"
#include "parlotto/ui/label_frame.h"

class QPainter;

namespace parlotto {

class THTMLPictureCache;

enum TAutoSizeType { asVertical = 0, asHorizontal = 1, asBoth = 2 };
enum TVAlignment { tvaTop = 0, tvaCenter = 1, tvaBottom = 2 };
// Where the label is docked in its parent; auto sizing only changes the
// dimensions that docking leaves free.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class THTMLabel : public QWidget {
  Q_OBJECT

 public:
  explicit THTMLabel(QWidget* parent = nullptr);
  ~THTMLabel() override;

  // The markup, drawn with its lines run together.
  HTMLStrings& HTMLText() { return html_text_; }
  const HTMLStrings& HTMLText() const { return html_text_; }

  TColor URLColor() const { return url_color_; }
  void SetURLColor(TColor color);
  bool Hover() const { return hover_; }
  void SetHover(bool hover);
  TColor HoverColor() const { return hover_color_; }
  void SetHoverColor(TColor color);
  TColor HoverFontColor() const { return hover_font_color_; }
  void SetHoverFontColor(TColor color);
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor color);
  int ShadowOffset() const { return shadow_offset_; }
  void SetShadowOffset(int offset);
  bool AnchorHint() const { return anchor_hint_; }
  void SetAnchorHint(bool on);
  bool AutoSizing() const { return auto_sizing_; }
  void SetAutoSizing(bool on);
  TAutoSizeType AutoSizeType() const { return auto_size_type_; }
  void SetAutoSizeType(TAutoSizeType type);
  bool Ellipsis() const { return ellipsis_; }
  void SetEllipsis(bool on);
  TVAlignment VAlignment() const { return v_alignment_; }
  void SetVAlignment(TVAlignment alignment);
  TBevelCut BevelInner() const { return frame_.bevel_inner; }
  void SetBevelInner(TBevelCut cut);
  TBevelCut BevelOuter() const { return frame_.bevel_outer; }
  void SetBevelOuter(TBevelCut cut);
  int BevelWidth() const { return frame_.bevel_width; }
  void SetBevelWidth(int width);
  TBorderStyle BorderStyle() const { return frame_.border_style; }
  void SetBorderStyle(TBorderStyle style);
  int BorderWidth() const { return frame_.border_width; }
  void SetBorderWidth(int width);
  ImageList* Images() const { return images_.data(); }
  void SetImages(ImageList* images);
  TPictureContainer* PictureContainer() const { return picture_container_.data(); }
  void SetPictureContainer(TPictureContainer* container);

  // The label's own background, painted unless it is transparent.
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  void BeginUpdate();
  void EndUpdate();

  QString GetDisplText() const { return html_text_.Joined(); }
  QString GetText() const;
  // Makes the whole text of `lines`, without line breaks, the one line of
  // markup.
  void SetHTMLText(const QStringList& lines);
  void HilightText(const QString& text, bool case_sensitive);
  void MarkText(const QString& text, bool case_sensitive);
  void UnHilightText();
  void UnMarkText();

  // The value of the anchor at (x, y) in client coordinates, empty when none,
  // and its rectangle (null when none). Tests the layout that is painted.
  QString IsAnchor(int x, int y, QRect* anchor_rect = nullptr);
  // The number of the anchor found under the mouse by the last test, or -1.
  int HoveredAnchor() const { return hovered_anchor_; }

  // Draws the markup onto any canvas, as for a printer.
  void HTMLPrint(QPainter* canvas, const QRect& rect);

 signals:
  void OnAnchorClick(const QString& anchor);
  void OnAnchorEnter(const QString& anchor);
  void OnAnchorExit(const QString& anchor);
  // The handler may change the hint text.
  void OnAnchorHint(QString& anchor);
  void OnMouseEnter();
  void OnMouseLeave();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  struct Layout {
    QRect rect;
    int alignment_width = 0;
  };

  void TextChanged();
  void Changed();
  HTMLPaintOptions PaintOptions() const;
  // Where the markup is laid out, the same for painting and hit tests.
  Layout TextLayout();
  bool GrowsWidth() const;
  bool GrowsHeight() const;
  void ApplyAutoSize(int text_width, int text_height);
  void Repaint(const QRect& area);
  void MouseMove(int x, int y);
  // Addresses go to the desktop; other anchors to OnAnchorClick.
  void ClickAnchor(const QString& anchor);
  void ShowAnchorHint(const QPoint& global_pos, QString anchor);

  HTMLStrings html_text_;
  TColor url_color_ = clBlue;
  bool hover_ = false;
  TColor hover_color_ = clNone;
  TColor hover_font_color_ = clNone;
  TColor shadow_color_ = clGray;
  int shadow_offset_ = 2;
  bool anchor_hint_ = false;
  bool auto_sizing_ = false;
  TAutoSizeType auto_size_type_ = asVertical;
  bool ellipsis_ = false;
  TVAlignment v_alignment_ = tvaTop;
  FrameStyle frame_;
  QPointer<ImageList> images_;
  QPointer<TPictureContainer> picture_container_;
  TColor color_ = clBtnFace;
  bool transparent_ = false;
  TAlign align_ = alNone;

  int update_count_ = 0;
  int hovered_anchor_ = -1;
  int hovered_image_ = -1;
  QString last_anchor_;
  int last_anchor_number_ = -1;
  QRect hover_rect_;
  std::optional<QPoint> mouse_;
  THTMLPictureCache* picture_cache_;
};

}  // namespace parlotto
