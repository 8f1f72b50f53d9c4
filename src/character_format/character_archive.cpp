#include "character_format/character_archive.h"

#include <zip.h>

#include <QBuffer>
#include <QImageReader>
#include <memory>

#include "character_format/character_manifest.h"

namespace parlotto::agent {

using namespace character_limits;

namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;

bool Refuse(QString* error, const QString& reason) {
  if (error != nullptr) *error = reason;
  return false;
}

Archive OpenArchive(const QByteArray& bytes, QString* error) {
  zip_error_t zip_error;
  zip_error_init(&zip_error);
  // The source does not own the bytes: they outlive the archive.
  zip_source_t* source = zip_source_buffer_create(
      bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &zip_error);
  zip_t* archive = nullptr;
  if (source != nullptr) {
    archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zip_error);
    if (archive == nullptr) zip_source_free(source);
  }
  if (archive == nullptr) {
    // The bytes begin like a zip, so a missing directory means a cut file.
    const bool cut = zip_error_code_zip(&zip_error) == ZIP_ER_NOZIP;
    Refuse(error,
           QStringLiteral("damaged character file: %1")
               .arg(cut ? QStringLiteral("the zip directory is missing, the file is cut short")
                        : QString::fromUtf8(zip_error_strerror(&zip_error))));
  }
  zip_error_fini(&zip_error);
  return Archive(archive);
}

// The uncompressed contents of `name`, at most `limit` bytes. The sizes in
// the archive's headers are not trusted: reading stops one byte past the
// limit, so an entry that inflates without end costs no more than that.
std::optional<QByteArray> ReadEntry(zip_t* archive, const QString& name, std::int64_t limit,
                                    QString* error) {
  const QByteArray utf8 = name.toUtf8();
  const zip_int64_t index = zip_name_locate(archive, utf8.constData(), 0);
  if (index < 0) {
    Refuse(error, QStringLiteral("%1 is missing from the character file").arg(name));
    return std::nullopt;
  }
  const Entry entry(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0));
  if (!entry) {
    Refuse(error, QStringLiteral("%1: %2").arg(name, QString::fromUtf8(zip_strerror(archive))));
    return std::nullopt;
  }
  QByteArray contents;
  constexpr qsizetype kChunk = 64 << 10;
  while (contents.size() <= limit) {
    const qsizetype used = contents.size();
    contents.resize(used + kChunk);
    const zip_int64_t got = zip_fread(entry.get(), contents.data() + used, kChunk);
    if (got < 0) {
      Refuse(error, QStringLiteral("%1 is damaged: %2")
                        .arg(name, QString::fromUtf8(zip_file_strerror(entry.get()))));
      return std::nullopt;
    }
    contents.resize(used + got);
    if (got == 0) return contents;
  }
  Refuse(error, QStringLiteral("%1 is larger than %2 bytes").arg(name).arg(limit));
  return std::nullopt;
}

// Decodes the PNG `bytes` of `image`, checking its size from the header
// before any pixel memory is allocated.
std::optional<QImage> DecodeImage(const QByteArray& bytes, const FrameImage& image,
                                  QSize frame_size, std::int64_t* pixel_budget, QString* error) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "png");
  reader.setAutoDetectImageFormat(false);
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (!reader.canRead() || !size.isValid()) {
    Refuse(error, QStringLiteral("%1 is not a PNG image").arg(image.entry));
    return std::nullopt;
  }
  const QSize needed = image.NeededSize(frame_size);
  const bool fits = image.sheet ? size.width() >= needed.width() && size.height() >= needed.height()
                                : size == frame_size;
  if (!fits || size.width() > kMaxImageSide || size.height() > kMaxImageSide) {
    Refuse(error, QStringLiteral("%1 is %2×%3 pixels; it must be %4 %5×%6")
                      .arg(image.entry)
                      .arg(size.width())
                      .arg(size.height())
                      .arg(QLatin1String(image.sheet ? "at least" : "exactly"))
                      .arg(needed.width())
                      .arg(needed.height()));
    return std::nullopt;
  }
  const std::int64_t pixels = std::int64_t{size.width()} * size.height();
  if (pixels > *pixel_budget) {
    Refuse(error,
           QStringLiteral("the images have more than %1 pixels together").arg(kMaxDecodedPixels));
    return std::nullopt;
  }
  *pixel_budget -= pixels;
  // The decoder's own bound, in MiB, as a second guard behind the check above.
  reader.setAllocationLimit(static_cast<int>(pixels * 8 / (1 << 20)) + 1);
  QImage decoded;
  if (!reader.read(&decoded) || decoded.size() != size) {
    Refuse(error,
           QStringLiteral("%1 cannot be decoded: %2").arg(image.entry, reader.errorString()));
    return std::nullopt;
  }
  return decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Cuts `decoded` into the frames `image` describes and appends them.
void AppendFrames(const QImage& decoded, const FrameImage& image, QSize frame_size,
                  std::vector<QImage>* frames) {
  if (!image.sheet) {
    frames->push_back(decoded);
    return;
  }
  for (int cell = 0; cell < image.count; ++cell) {
    const int column = cell % image.columns;
    const int row = cell / image.columns;
    const QPoint origin(image.margin + column * (frame_size.width() + image.spacing),
                        image.margin + row * (frame_size.height() + image.spacing));
    frames->push_back(decoded.copy(QRect(origin, frame_size)));
  }
}

bool ReadFrames(zip_t* archive, const Manifest& manifest, std::vector<QImage>* frames,
                QString* error) {
  std::int64_t pixel_budget = kMaxDecodedPixels;
  frames->reserve(static_cast<std::size_t>(manifest.frame_count));
  for (const FrameImage& image : manifest.images) {
    const std::optional<QByteArray> bytes = ReadEntry(archive, image.entry, kMaxImageBytes, error);
    if (!bytes) return false;
    const std::optional<QImage> decoded =
        DecodeImage(*bytes, image, manifest.CellSize(), &pixel_budget, error);
    if (!decoded) return false;
    AppendFrames(*decoded, image, manifest.CellSize(), frames);
  }
  return true;
}

}  // namespace

std::optional<Character> ReadCharacterArchive(const QByteArray& bytes, QString* error) {
  if (bytes.size() > kMaxFileBytes) {
    Refuse(error, QStringLiteral("the character file is larger than %1 bytes").arg(kMaxFileBytes));
    return std::nullopt;
  }
  // An empty archive opens as well; it is as foreign as any other file
  // that does not begin with an entry.
  if (!bytes.startsWith("PK\3\4")) {
    Refuse(error, QStringLiteral("not a character file (no zip archive)"));
    return std::nullopt;
  }
  const Archive archive = OpenArchive(bytes, error);
  if (!archive) return std::nullopt;
  const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
  if (entries > kMaxEntries) {
    Refuse(error, QStringLiteral("the character file has more than %1 entries").arg(kMaxEntries));
    return std::nullopt;
  }
  const std::optional<QByteArray> json =
      ReadEntry(archive.get(), QStringLiteral("manifest.json"), kMaxManifestBytes, error);
  if (!json) return std::nullopt;
  std::optional<Manifest> manifest = ParseManifest(*json, error);
  if (!manifest) return std::nullopt;

  Character character;
  if (!ReadFrames(archive.get(), *manifest, &character.frames, error)) return std::nullopt;
  character.name = manifest->name;
  character.voice = manifest->voice;
  character.language = manifest->language;
  character.frame_size = manifest->frame_size;
  character.pixel_ratio = manifest->pixel_ratio;
  character.animations = std::move(manifest->animations);
  character.mouth_frames = manifest->mouth_frames;
  character.balloon_anchor = manifest->balloon_anchor;
  return character;
}

}  // namespace parlotto::agent
