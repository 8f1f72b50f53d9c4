#include "htmlabel/picture.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

namespace parlotto {
namespace {

// An animation with more frames than this is cut short; the label draws one
// frame at a time and has no use for a film.
constexpr int kMaxFrames = 500;

}  // namespace

HTMLPicture::HTMLPicture(const QImage& image) {
  if (!image.isNull()) AddFrame(image);
}

HTMLPicture HTMLPicture::FromData(const QByteArray& data) {
  HTMLPicture picture;
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  while (picture.FrameCount() < kMaxFrames) {
    QImage frame = reader.read();
    if (frame.isNull()) break;
    picture.AddFrame(frame);
    if (!reader.canRead()) break;
  }
  return picture;
}

void HTMLPicture::AddFrame(const QImage& image, QPoint offset) {
  if (image.isNull()) return;
  frames_.push_back({image, QPoint(std::max(0, offset.x()), std::max(0, offset.y()))});
}

QSize HTMLPicture::Size() const {
  QSize size;
  for (const Frame& frame : frames_) {
    size = size.expandedTo(
        QSize(frame.offset.x() + frame.image.width(), frame.offset.y() + frame.image.height()));
  }
  return size;
}

QSize HTMLPicture::MaxFrameSize() const {
  QSize size;
  for (const Frame& frame : frames_) size = size.expandedTo(frame.image.size());
  return size;
}

void HTMLPicture::SetCurrentFrame(int frame) {
  if (frame >= 0 && frame < FrameCount()) current_ = frame;
}

const QImage& HTMLPicture::FrameImage() const {
  static const QImage kNone;
  return frames_.empty() ? kNone : frames_[current_].image;
}

QPoint HTMLPicture::FrameOffset() const {
  return frames_.empty() ? QPoint() : frames_[current_].offset;
}

}  // namespace parlotto
