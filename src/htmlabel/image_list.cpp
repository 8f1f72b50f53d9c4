#include "htmlabel/image_list.h"

namespace parlotto {

ImageList::ImageList(QSize size, QObject* parent)
    : QObject(parent), size_(size.expandedTo(QSize(1, 1))) {}

int ImageList::Add(const QImage& image) {
  images_.push_back(image.size() == size_
                        ? image
                        : image.scaled(size_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  emit Changed();
  return Count() - 1;
}

void ImageList::Clear() {
  images_.clear();
  emit Changed();
}

QImage ImageList::Image(int index) const {
  if (index < 0 || index >= Count()) return QImage();
  return images_[index];
}

}  // namespace parlotto
