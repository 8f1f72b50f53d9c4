// Arbitrary character files for the loader: it must refuse or accept every
// input within its bounds, never crash, leak or hang.
//
// Input: a zip archive as it is, or, when it begins with '{', a manifest
// that is zipped here with two small images ("one.png", 8×6, and the 3×2
// sheet "sheet.png" of 8×6 cells, margin 1, spacing 2), so that the fuzzer
// reaches the manifest's meaning without having to find zip checksums.
#include <zip.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "character_format/character_archive.h"

namespace {

QByteArray Png(QSize size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::darkCyan);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "png");
  return png;
}

// `manifest` zipped with the images, or empty when libzip fails.
QByteArray ZipWithImages(const QByteArray& manifest) {
  static const QByteArray kOne = Png(QSize(8, 6));
  static const QByteArray kSheet = Png(QSize(1 + 3 * 8 + 2 * 2 + 1, 1 + 2 * 6 + 2 + 1));
  zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, nullptr);
  zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, nullptr);
  if (archive == nullptr) {
    zip_source_free(target);
    return {};
  }
  zip_source_keep(target);
  const std::pair<const char*, const QByteArray*> entries[] = {
      {"manifest.json", &manifest}, {"one.png", &kOne}, {"sheet.png", &kSheet}};
  for (const auto& [name, data] : entries) {
    zip_source_t* source =
        zip_source_buffer(archive, data->constData(), static_cast<zip_uint64_t>(data->size()), 0);
    zip_file_add(archive, name, source, 0);
  }
  QByteArray bytes;
  zip_stat_t stat;
  if (zip_close(archive) == 0 && zip_source_stat(target, &stat) == 0 &&
      zip_source_open(target) == 0) {
    bytes.resize(static_cast<qsizetype>(stat.size));
    if (zip_source_read(target, bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) {
      bytes.clear();
    }
    zip_source_close(target);
  } else {
    zip_discard(archive);
  }
  zip_source_free(target);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QByteArray archive = input.startsWith('{') ? ZipWithImages(input) : input;
  QString error;
  const auto character = parlotto::agent::ReadCharacterArchive(archive, &error);
  // Either a character or a reason, never neither; frames all of one size.
  if (!character && error.isEmpty()) __builtin_trap();
  if (character) {
    for (const QImage& frame : character->frames) {
      if (frame.size() != character->frame_size) __builtin_trap();
    }
  }
  return 0;
}
