// Draws Parlotto, the default character, and writes the character file:
// manifest.json and one sprite sheet of every frame, zipped. The build runs
// it; by hand it can also write a contact sheet to look at the art:
//   draw-character OUT.acz [--sheet SHEET.png]
#include <zip.h>

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <cstdio>

#include "plan.h"

namespace parlotto::draw {
namespace {

constexpr int kColumns = 8;
const char kSheetEntry[] = "parlotto.png";

int Rows(const std::vector<QImage>& frames) {
  return (static_cast<int>(frames.size()) + kColumns - 1) / kColumns;
}

QImage SpriteSheet(const std::vector<QImage>& frames) {
  const QSize cell_size = kFrameSize * kPixelRatio;
  QImage sheet(kColumns * cell_size.width(), Rows(frames) * cell_size.height(),
               QImage::Format_ARGB32_Premultiplied);
  sheet.fill(Qt::transparent);
  QPainter p(&sheet);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const int cell = static_cast<int>(i);
    p.drawImage((cell % kColumns) * cell_size.width(), (cell / kColumns) * cell_size.height(),
                frames[i]);
  }
  return sheet;
}

// All frames on a light checked ground, each with its number and label.
QImage ContactSheet(const std::vector<QImage>& frames, const std::vector<QString>& labels) {
  constexpr int kLabel = 16;
  const QSize cell(kFrameSize.width(), kFrameSize.height() + kLabel);
  QImage sheet(kColumns * cell.width(), Rows(frames) * cell.height(), QImage::Format_RGB32);
  sheet.fill(QColor(0xf4, 0xf4, 0xf0));
  QPainter p(&sheet);
  QFont font = p.font();
  font.setPixelSize(11);
  p.setFont(font);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const int index = static_cast<int>(i);
    const QPoint origin((index % kColumns) * cell.width(), (index / kColumns) * cell.height());
    p.fillRect(QRect(origin, kFrameSize), QColor(0xe4, 0xe8, 0xec));
    p.drawImage(origin, frames[i]);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawText(QRect(origin + QPoint(0, kFrameSize.height()), QSize(cell.width(), kLabel)),
               Qt::AlignCenter, QStringLiteral("%1 %2").arg(index).arg(labels[i]));
  }
  return sheet;
}

QJsonObject Manifest(const Plan& plan) {
  QJsonObject animations;
  for (const PlannedAnimation& animation : plan.animations) {
    QJsonArray steps;
    for (const PlannedStep& step : animation.steps) {
      steps.append(QJsonObject{{"frame", step.frame}, {"duration", step.duration_ms}});
    }
    animations[animation.name] = QJsonObject{{"steps", steps}, {"end", animation.end_frame}};
  }
  const char* const kMouthNames[] = {"rest",  "open",   "mid",      "narrow",
                                     "round", "closed", "lipteeth", "tongue"};
  QJsonObject mouths;
  for (std::size_t shape = 0; shape < plan.mouths.size(); ++shape) {
    mouths[QLatin1String(kMouthNames[shape])] = plan.mouths.at(shape);
  }
  const int count = static_cast<int>(plan.poses.size());
  return QJsonObject{
      {"format", 1},
      {"name", "Parlotto"},
      {"voice", "de"},
      {"language", 7},
      {"frameSize", QJsonObject{{"width", kFrameSize.width()}, {"height", kFrameSize.height()}}},
      {"pixelRatio", kPixelRatio},
      {"balloonAnchor", QJsonObject{{"x", 88}, {"y", 34}}},
      {"frames", QJsonArray{QJsonObject{{"sheet", kSheetEntry},
                                        {"columns", kColumns},
                                        {"rows", (count + kColumns - 1) / kColumns},
                                        {"count", count}}}},
      {"animations", animations},
      {"mouths", mouths},
  };
}

QByteArray Png(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "png");
  return png;
}

bool WriteZip(const QString& path, const QByteArray& manifest, const QByteArray& sheet) {
  int error = 0;
  zip_t* archive = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return false;
  const std::pair<const char*, const QByteArray*> entries[] = {{"manifest.json", &manifest},
                                                               {kSheetEntry, &sheet}};
  for (const auto& [name, data] : entries) {
    zip_source_t* source =
        zip_source_buffer(archive, data->constData(), static_cast<zip_uint64_t>(data->size()), 0);
    if (source == nullptr || zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
  }
  // Written to a temporary file and renamed on close: no half file is left.
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    return false;
  }
  return true;
}

}  // namespace
}  // namespace parlotto::draw

int main(int argc, char** argv) {
  using namespace parlotto::draw;
  QGuiApplication app(argc, argv);
  const QStringList args = QGuiApplication::arguments();
  const bool sheet_wanted = args.size() == 4 && args[2] == QLatin1String("--sheet");
  if (args.size() != 2 && !sheet_wanted) {
    std::fprintf(stderr, "usage: draw-character OUT.acz [--sheet SHEET.png]\n");
    return 2;
  }
  const Plan plan = ParlottoPlan();
  std::vector<QImage> frames;
  std::vector<QImage> contact_frames;  // as a screen of ordinary density shows them
  for (const Pose& pose : plan.poses) {
    frames.push_back(DrawFigure(pose, kPixelRatio));
    if (sheet_wanted) contact_frames.push_back(DrawFigure(pose, 1));
  }
  const QByteArray manifest = QJsonDocument(Manifest(plan)).toJson();
  if (!WriteZip(args[1], manifest, Png(SpriteSheet(frames)))) {
    std::fprintf(stderr, "draw-character: cannot write %s\n", qPrintable(args[1]));
    return 1;
  }
  if (sheet_wanted && !ContactSheet(contact_frames, plan.labels).save(args[3], "png")) {
    std::fprintf(stderr, "draw-character: cannot write %s\n", qPrintable(args[3]));
    return 1;
  }
  return 0;
}
