// One picture the label can draw: a still image, or the frames of an
// animation, each with its offset inside the animation's area.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <vector>

namespace parlotto {

class HTMLPicture {
 public:
  HTMLPicture() = default;
  explicit HTMLPicture(const QImage& image);

  // Every frame of an image file (a GIF animation gives several); empty when
  // the data is no picture Qt can read.
  static HTMLPicture FromData(const QByteArray& data);

  void AddFrame(const QImage& image, QPoint offset = QPoint());

  bool IsEmpty() const { return frames_.empty(); }
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  // The area all frames cover.
  QSize Size() const;
  QSize MaxFrameSize() const;

  int CurrentFrame() const { return current_; }
  void SetCurrentFrame(int frame);
  const QImage& FrameImage() const;
  QPoint FrameOffset() const;

 private:
  struct Frame {
    QImage image;
    QPoint offset;
  };
  std::vector<Frame> frames_;
  int current_ = 0;
};

}  // namespace parlotto
