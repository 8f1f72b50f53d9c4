// The speech balloon: a frameless, translucent top-level window of its own
// beside the figure, a rounded box with a tail towards the character,
// holding the spoken text with the current word highlighted.
#pragma once

#include <QPainterPath>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "agentsvr/character_window/balloon_layout.h"

namespace parlotto::agent {

class BalloonWindow : public QWidget {
 public:
  static constexpr int kLingerMs = 1500;  // how long it stays after the speech
  // A long text is laid out this many characters at a time, around the word
  // being spoken: the layout of a whole book, or of a line without blanks
  // (which wraps anywhere), would hold the server up for minutes.
  static constexpr int kSliceLength = 2048;

  // Drawn `scale` times as large as at 96 dots per inch.
  explicit BalloonWindow(qreal scale = 1);
  ~BalloonWindow() override;

  // Shows `text` for the character at `figure` (screen pixels) whose
  // balloon points at `anchor`; nothing highlighted yet.
  void ShowText(const QString& text, const QRect& figure, QPoint anchor);
  // Highlights [start, start + length) of the text; the shown lines follow.
  void Highlight(int start, int length);
  // Places the balloon anew after the figure has moved.
  void Follow(const QRect& figure, QPoint anchor);
  void HideLater();
  void HideNow();

  // The part of the text laid out now: where it starts, how long it is.
  int SliceStart() const { return slice_start_; }
  int SliceLength() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPainterPath Shape(qreal inset) const;
  QFont Font() const;
  void Place();
  // Lays out the slice that shows `position` with some text before it.
  void LayOutSliceAt(int position);

  QString full_text_;
  int slice_start_ = 0;
  std::unique_ptr<BalloonText> text_;
  int highlight_start_ = -1;
  int highlight_length_ = 0;
  int first_line_ = 0;
  QRect figure_;
  QPoint anchor_;
  BalloonPlacement placement_;
  QTimer linger_;
  bool composited_;
  qreal scale_;
};

}  // namespace parlotto::agent
