// A list of equally sized images, the source of "IDX:n" pictures. Changed()
// tells an attached label to repaint.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <vector>

namespace parlotto {

class ImageList : public QObject {
  Q_OBJECT

 public:
  explicit ImageList(QSize size = QSize(16, 16), QObject* parent = nullptr);

  QSize ImageSize() const { return size_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // Scaled to the list's size; returns the new image's index.
  int Add(const QImage& image);
  void Clear();
  QImage Image(int index) const;

 signals:
  void Changed();

 private:
  QSize size_;
  std::vector<QImage> images_;
};

}  // namespace parlotto
