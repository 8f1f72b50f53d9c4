#include "htmlabel/image_box.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "htmlabel/html_paint.h"
#include "htmlabel/tags.h"

namespace parlotto {
namespace {

// No picture is laid out larger than this, whatever WIDTH and HEIGHT say.
constexpr int kMaxSide = 4096;

double Resolution(const QPaintDevice& device) { return device.logicalDpiX() / 96.0; }

int Scaled(int pixels, double factor) {
  double scaled = std::round(pixels * factor);
  return static_cast<int>(std::clamp(scaled, 0.0, static_cast<double>(kMaxSide)));
}

QSize Scaled(QSize size, double factor) {
  return QSize(Scaled(size.width(), factor), Scaled(size.height(), factor));
}

}  // namespace

std::optional<ImageBox> ResolveImage(QStringView tag, int number, const HTMLPaintOptions& options,
                                     const QPaintDevice& device) {
  QString source = TagAttribute(tag, u"SRC").value_or(QString());
  if (number == options.hover_image) {
    if (auto alt = TagAttribute(tag, u"ALT")) source = *alt;
  }
  PictureSources sources{options.images, options.pictures, options.picture_cache};
  std::optional<FoundPicture> picture = FindPicture(source, sources);
  if (!picture || picture->image.isNull()) return std::nullopt;

  ImageBox box;
  box.picture = *picture;
  double resolution = Resolution(device);
  if (picture->fixed_size) {
    double factor = resolution;
    if (options.print && picture->from_image_list) factor *= options.scale;
    box.size = Scaled(picture->max_frame, factor);
    box.stretched = true;
  } else {
    int width = std::min(LeadingNumber(TagAttribute(tag, u"WIDTH").value_or(QString())), kMaxSide);
    int height =
        std::min(LeadingNumber(TagAttribute(tag, u"HEIGHT").value_or(QString())), kMaxSide);
    box.stretched = width >= 1 && height >= 1;
    box.size = box.stretched ? Scaled(QSize(width, height), resolution)
                             : Scaled(picture->max_frame, resolution);
  }
  if (TagAttribute(tag, u"ALIGN")) {
    box.align_top = tag.contains(QLatin1StringView("\"TOP"), Qt::CaseInsensitive);
    box.align_middle = tag.contains(QLatin1StringView("\"MIDDLE"), Qt::CaseInsensitive);
  }
  return box;
}

void PaintImage(QPainter& painter, const ImageBox& box, QPoint at, const QColor& background,
                const QPaintDevice& device) {
  const FoundPicture& picture = box.picture;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (box.stretched || picture.frame_count <= 1) {
    painter.drawImage(QRect(at, box.size), picture.image);
  } else {
    double resolution = Resolution(device);
    if (background.isValid()) painter.fillRect(QRect(at, box.size), background);
    QPoint offset(Scaled(picture.frame_offset.x(), resolution),
                  Scaled(picture.frame_offset.y(), resolution));
    painter.drawImage(QRect(at + offset, Scaled(picture.image.size(), resolution)), picture.image);
  }
  painter.restore();
}

}  // namespace parlotto
