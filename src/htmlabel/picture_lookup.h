// Finding the picture an image source names: "IDX:n" in the image list,
// "SSYS:x" / "LSYS:x" the desktop's small or large icon for a file, folder or
// icon number, a name without ":" in the picture container, an address with
// "://" in the picture cache.
#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

namespace parlotto {

class ImageList;
class TPictureContainer;
class THTMLPictureCache;

struct PictureSources {
  const ImageList* images = nullptr;
  const TPictureContainer* pictures = nullptr;
  THTMLPictureCache* cache = nullptr;
};

struct FoundPicture {
  QImage image;         // the current frame
  QPoint frame_offset;  // of the current frame
  QSize max_frame;      // the largest frame; the picture's size for a still one
  int frame_count = 1;
  // Image-list pictures and icons have the list's or the icon size and are
  // not stretched by WIDTH and HEIGHT.
  bool fixed_size = false;
  bool from_image_list = false;
};

// Nothing when the source names no picture that exists.
std::optional<FoundPicture> FindPicture(const QString& source, const PictureSources& sources);

}  // namespace parlotto
