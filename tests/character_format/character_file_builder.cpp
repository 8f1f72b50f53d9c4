#include "character_format/character_file_builder.h"

#include <zip.h>

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <cstring>
#include <stdexcept>

namespace parlotto::testing {

namespace {
constexpr QSize kFrame(8, 6);
}

QByteArray SolidPng(QSize size, QColor color) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(color);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "png");
  return png;
}

QByteArray ZipOf(const std::vector<std::pair<std::string, QByteArray>>& entries) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
  if (archive == nullptr) throw std::runtime_error("cannot create a zip in memory");
  zip_source_keep(target);
  for (const auto& [name, data] : entries) {
    // The archive copies nothing until it is closed: `entries` outlives that.
    zip_source_t* source =
        zip_source_buffer(archive, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
    zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
  }
  if (zip_close(archive) != 0) throw std::runtime_error("cannot write the zip");
  zip_stat_t stat;
  zip_source_stat(target, &stat);
  QByteArray bytes(static_cast<qsizetype>(stat.size), '\0');
  zip_source_open(target);
  zip_source_read(target, bytes.data(), stat.size);
  zip_source_close(target);
  zip_source_free(target);
  return bytes;
}

QColor SheetColor(int cell) { return QColor::fromHsv(cell * 60, 255, 200); }

QJsonObject SmallManifest() {
  QJsonArray steps;
  steps.append(QJsonObject{{"frame", 1}, {"duration", 5}});
  steps.append(QJsonObject{{"frame", 5}, {"duration", 50000}});
  steps.append(QJsonObject{{"frame", 2}});
  return QJsonObject{
      {"format", 1},
      {"name", "Tiny"},
      {"voice", "en-us"},
      {"language", 9},
      {"frameSize", QJsonObject{{"width", kFrame.width()}, {"height", kFrame.height()}}},
      {"balloonAnchor", QJsonObject{{"x", 4}, {"y", 1}}},
      {"frames", QJsonArray{"one.png", QJsonObject{{"sheet", "sheet.png"},
                                                   {"columns", 3},
                                                   {"rows", 2},
                                                   {"count", 5},
                                                   {"margin", 1},
                                                   {"spacing", 2}}}},
      {"animations",
       QJsonObject{{"Wave", QJsonObject{{"steps", steps}, {"end", 3}}},
                   {"idle", QJsonObject{{"steps", QJsonArray{QJsonObject{{"frame", 0}}}}}}}},
      {"mouths", QJsonObject{{"rest", 0}, {"open", 4}, {"Round", 5}}},
  };
}

std::vector<std::pair<std::string, QByteArray>> SmallCharacterEntries(const QJsonObject& manifest) {
  // Cells at margin 1, 2 pixels apart; the gaps are white, so a cut in the
  // wrong place shows in the frame's corner pixels.
  QImage sheet(1 + 3 * kFrame.width() + 2 * 2 + 1, 1 + 2 * kFrame.height() + 2 + 1,
               QImage::Format_ARGB32);
  sheet.fill(Qt::white);
  {
    QPainter painter(&sheet);
    for (int cell = 0; cell < 6; ++cell) {
      const QPoint origin(1 + (cell % 3) * (kFrame.width() + 2),
                          1 + (cell / 3) * (kFrame.height() + 2));
      painter.fillRect(QRect(origin, kFrame), SheetColor(cell));
    }
  }
  QByteArray sheet_png;
  QBuffer buffer(&sheet_png);
  buffer.open(QIODevice::WriteOnly);
  sheet.save(&buffer, "png");
  return {{"manifest.json", QJsonDocument(manifest).toJson()},
          {"one.png", SolidPng(kFrame, Qt::red)},
          {"sheet.png", sheet_png}};
}

void ForgeUncompressedSize(QByteArray* zip, const std::string& entry, quint32 size) {
  // Local header: signature PK\3\4, size at 22, name length at 26, name at 30.
  // Central header: signature PK\1\2, size at 24, name length at 28, name at 46.
  const struct {
    const char* signature;
    int size_offset;
    int name_offset;
  } kHeaders[] = {{"PK\3\4", 22, 30}, {"PK\1\2", 24, 46}};
  for (const auto& header : kHeaders) {
    for (qsizetype at = zip->indexOf(header.signature); at >= 0;
         at = zip->indexOf(header.signature, at + 1)) {
      if (zip->mid(at + header.name_offset, static_cast<qsizetype>(entry.size())) !=
          QByteArray::fromStdString(entry)) {
        continue;
      }
      std::memcpy(zip->data() + at + header.size_offset, &size, sizeof size);  // little endian
    }
  }
}

}  // namespace parlotto::testing
