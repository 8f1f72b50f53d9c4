#include "htmlabel/picture_lookup.h"

#include <QAbstractFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <array>

#include "htmlabel/image_list.h"
#include "htmlabel/picture.h"
#include "htmlabel/picture_cache.h"
#include "htmlabel/picture_container.h"
#include "htmlabel/tags.h"

namespace parlotto {
namespace {

constexpr int kSmallIcon = 16;
constexpr int kLargeIcon = 32;

bool HasPrefix(const QString& text, const char* prefix) {
  return text.startsWith(QLatin1StringView(prefix), Qt::CaseInsensitive);
}

// An icon number picks one of the desktop's standard icons; a path asks the
// icon theme for that file's or folder's icon.
QIcon ShellIcon(const QString& what) {
  static const std::array<QAbstractFileIconProvider::IconType, 7> kNumbered = {
      QAbstractFileIconProvider::File,     QAbstractFileIconProvider::Folder,
      QAbstractFileIconProvider::Computer, QAbstractFileIconProvider::Desktop,
      QAbstractFileIconProvider::Trashcan, QAbstractFileIconProvider::Network,
      QAbstractFileIconProvider::Drive};
  QAbstractFileIconProvider provider;
  bool is_number = !what.isEmpty();
  for (QChar c : what) is_number = is_number && c.isDigit();
  if (is_number) {
    int index = LeadingNumber(what);
    if (index >= static_cast<int>(kNumbered.size())) return QIcon();
    return provider.icon(kNumbered[index]);
  }
  QFileInfo info(what);
  if (!info.exists()) return QIcon();
  return provider.icon(info);
}

std::optional<FoundPicture> FromIcon(const QString& what, int size) {
  QIcon icon = ShellIcon(what);
  if (icon.isNull()) return std::nullopt;
  QImage image = icon.pixmap(size, size).toImage();
  if (image.isNull()) return std::nullopt;
  if (image.size() != QSize(size, size)) {
    image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  FoundPicture found;
  found.image = image;
  found.max_frame = QSize(size, size);
  found.fixed_size = true;
  return found;
}

std::optional<FoundPicture> FromPicture(const HTMLPicture* picture) {
  if (picture == nullptr || picture->IsEmpty()) return std::nullopt;
  FoundPicture found;
  found.image = picture->FrameImage();
  found.frame_offset = picture->FrameOffset();
  found.max_frame = picture->FrameCount() > 1 ? picture->MaxFrameSize() : picture->Size();
  found.frame_count = picture->FrameCount();
  return found;
}

}  // namespace

std::optional<FoundPicture> FindPicture(const QString& source, const PictureSources& sources) {
  if (HasPrefix(source, "IDX:")) {
    if (sources.images == nullptr) return std::nullopt;
    int index = LeadingNumber(QStringView(source).mid(4));
    if (index >= sources.images->Count()) return std::nullopt;
    FoundPicture found;
    found.image = sources.images->Image(index);
    found.max_frame = sources.images->ImageSize();
    found.fixed_size = true;
    found.from_image_list = true;
    return found;
  }
  if (HasPrefix(source, "SSYS:")) return FromIcon(source.mid(5), kSmallIcon);
  if (HasPrefix(source, "LSYS:")) return FromIcon(source.mid(5), kLargeIcon);
  if (source.contains(QLatin1StringView("://"))) {
    if (sources.cache == nullptr) return std::nullopt;
    return FromPicture(sources.cache->Find(source));
  }
  if (source.contains(u':') || source.isEmpty() || sources.pictures == nullptr) {
    return std::nullopt;
  }
  return FromPicture(sources.pictures->Find(source));
}

}  // namespace parlotto
