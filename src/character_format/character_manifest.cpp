#include "character_format/character_manifest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "character_format/character_archive.h"

namespace parlotto::agent {

using namespace character_limits;

QSize FrameImage::NeededSize(QSize frame) const {
  return {2 * margin + columns * frame.width() + (columns - 1) * spacing,
          2 * margin + rows * frame.height() + (rows - 1) * spacing};
}

namespace {

constexpr int kMaxNameLength = 64;
constexpr int kDefaultDurationMs = 100;

// Reads one manifest, keeping the first reason it is refused for.
class ManifestReader {
 public:
  explicit ManifestReader(QString* error) : error_(error) {}

  std::optional<Manifest> Read(const QByteArray& json);

 private:
  bool Refuse(const QString& reason) {
    if (error_ != nullptr) *error_ = QStringLiteral("manifest.json: ") + reason;
    return false;
  }
  // A whole number in [min, max] under `key` of `object`, or `fallback` when
  // the key is absent and a fallback is given. `where` names the object.
  bool ReadInt(const QJsonObject& object, const QString& where, const char* key, int min, int max,
               std::optional<int> fallback, int* out);
  bool ReadString(const QJsonObject& object, const char* key, QString* out);
  bool ReadHeader(const QJsonObject& root);
  bool ReadFrames(const QJsonValue& value);
  bool ReadFrameImage(const QJsonValue& value, const QString& where);
  bool ReadAnimations(const QJsonValue& value);
  bool ReadAnimation(const QString& name, const QJsonValue& value);
  bool ReadMouths(const QJsonValue& value);
  bool ReadBalloonAnchor(const QJsonValue& value);

  QString* error_;
  Manifest manifest_;
};

std::optional<Manifest> ManifestReader::Read(const QByteArray& json) {
  QJsonParseError parse_error;
  const QJsonDocument document = QJsonDocument::fromJson(json, &parse_error);
  if (document.isNull()) {
    Refuse(QStringLiteral("not valid JSON (%1 at offset %2)")
               .arg(parse_error.errorString())
               .arg(parse_error.offset));
    return std::nullopt;
  }
  if (!document.isObject()) {
    Refuse(QStringLiteral("the top level is not an object"));
    return std::nullopt;
  }
  const QJsonObject root = document.object();
  if (!ReadHeader(root) || !ReadFrames(root.value(QLatin1String("frames"))) ||
      !ReadAnimations(root.value(QLatin1String("animations"))) ||
      !ReadMouths(root.value(QLatin1String("mouths"))) ||
      !ReadBalloonAnchor(root.value(QLatin1String("balloonAnchor")))) {
    return std::nullopt;
  }
  return std::move(manifest_);
}

bool ManifestReader::ReadInt(const QJsonObject& object, const QString& where, const char* key,
                             int min, int max, std::optional<int> fallback, int* out) {
  const QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined() && fallback) {
    *out = *fallback;
    return true;
  }
  // Compared as a double first: a cast of an out-of-range double is undefined.
  const double number = value.toDouble(std::nan(""));
  if (!value.isDouble() || !std::isfinite(number) || number != std::floor(number) || number < min ||
      number > max) {
    return Refuse(QStringLiteral("%1\"%2\" must be a whole number from %3 to %4")
                      .arg(where.isEmpty() ? QString() : where + QStringLiteral(": "))
                      .arg(QLatin1String(key))
                      .arg(min)
                      .arg(max));
  }
  *out = static_cast<int>(number);
  return true;
}

bool ManifestReader::ReadString(const QJsonObject& object, const char* key, QString* out) {
  const QJsonValue value = object.value(QLatin1String(key));
  *out = value.toString().trimmed();
  if (!value.isString() || out->isEmpty() || out->size() > kMaxNameLength) {
    return Refuse(QStringLiteral("\"%1\" must be a text of 1 to %2 characters")
                      .arg(QLatin1String(key))
                      .arg(kMaxNameLength));
  }
  return true;
}

bool ManifestReader::ReadHeader(const QJsonObject& root) {
  int format = 0;
  if (!ReadInt(root, {}, "format", 1, 1, std::nullopt, &format)) return false;
  if (!ReadString(root, "name", &manifest_.name)) return false;
  if (!ReadString(root, "voice", &manifest_.voice)) return false;
  // An espeak-ng voice name such as "de", "en-us", "mb/mb-de1" or "en+f3".
  static const QRegularExpression kVoiceName(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_+/-]*$"));
  if (!kVoiceName.match(manifest_.voice).hasMatch()) {
    return Refuse(QStringLiteral("\"voice\" is not a voice name: %1").arg(manifest_.voice));
  }
  int language = 0;
  if (!ReadInt(root, {}, "language", 7, 9, std::nullopt, &language)) return false;
  if (language != 7 && language != 9) {
    return Refuse(QStringLiteral("\"language\" must be 7 (German) or 9 (English)"));
  }
  manifest_.language = language;
  const QJsonObject size = root.value(QLatin1String("frameSize")).toObject();
  const QString where = QStringLiteral("frameSize");
  int width = 0;
  int height = 0;
  if (!ReadInt(size, where, "width", 1, kMaxFrameSide, std::nullopt, &width) ||
      !ReadInt(size, where, "height", 1, kMaxFrameSide, std::nullopt, &height)) {
    return false;
  }
  manifest_.frame_size = QSize(width, height);
  if (!ReadInt(root, {}, "pixelRatio", 1, kMaxPixelRatio, 1, &manifest_.pixel_ratio)) return false;
  const QSize cell = manifest_.CellSize();
  if (cell.width() > kMaxFrameSide || cell.height() > kMaxFrameSide) {
    return Refuse(
        QStringLiteral("a frame of more than %1 image pixels on a side").arg(kMaxFrameSide));
  }
  return true;
}

bool ManifestReader::ReadFrames(const QJsonValue& value) {
  const QJsonArray images = value.toArray();
  if (!value.isArray() || images.isEmpty() || images.size() > kMaxImages) {
    return Refuse(QStringLiteral("\"frames\" must list 1 to %1 images").arg(kMaxImages));
  }
  for (qsizetype i = 0; i < images.size(); ++i) {
    if (!ReadFrameImage(images.at(i), QStringLiteral("frames[%1]").arg(i))) return false;
  }
  return true;
}

bool ManifestReader::ReadFrameImage(const QJsonValue& value, const QString& where) {
  FrameImage image;
  // A plain string is the short form of {"image": "..."}.
  const QJsonObject object =
      value.isString() ? QJsonObject{{QStringLiteral("image"), value}} : value.toObject();
  const bool sheet = object.contains(QLatin1String("sheet"));
  image.entry = object.value(QLatin1String(sheet ? "sheet" : "image")).toString();
  if (image.entry.isEmpty()) {
    return Refuse(where + QStringLiteral(": needs the name of an \"image\" or a \"sheet\""));
  }
  image.sheet = sheet;
  if (sheet) {
    // Cell counts are bounded by the frame limit; margins by the image size.
    if (!ReadInt(object, where, "columns", 1, kMaxFrames, std::nullopt, &image.columns) ||
        !ReadInt(object, where, "rows", 1, kMaxFrames, std::nullopt, &image.rows) ||
        !ReadInt(object, where, "margin", 0, kMaxImageSide, 0, &image.margin) ||
        !ReadInt(object, where, "spacing", 0, kMaxImageSide, 0, &image.spacing)) {
      return false;
    }
    const int cells = std::min(image.columns * image.rows, kMaxFrames + 1);
    if (!ReadInt(object, where, "count", 1, cells, cells, &image.count)) return false;
  }
  if (image.count > kMaxFrames - manifest_.frame_count) {
    return Refuse(QStringLiteral("more than %1 frames").arg(kMaxFrames));
  }
  const QSize needed = image.NeededSize(manifest_.CellSize());
  if (needed.width() > kMaxImageSide || needed.height() > kMaxImageSide) {
    return Refuse(where +
                  QStringLiteral(": a sheet of more than %1 pixels on a side").arg(kMaxImageSide));
  }
  manifest_.frame_count += image.count;
  manifest_.images.push_back(image);
  return true;
}

bool ManifestReader::ReadAnimations(const QJsonValue& value) {
  if (value.isUndefined()) return true;
  const QJsonObject animations = value.toObject();
  if (!value.isObject() || animations.size() > kMaxAnimations) {
    return Refuse(
        QStringLiteral("\"animations\" must be an object of at most %1").arg(kMaxAnimations));
  }
  for (auto it = animations.begin(); it != animations.end(); ++it) {
    if (!ReadAnimation(it.key(), it.value())) return false;
  }
  return true;
}

bool ManifestReader::ReadAnimation(const QString& name, const QJsonValue& value) {
  const QString key = name.toLower();
  if (key.isEmpty() || key.size() > kMaxNameLength) {
    return Refuse(
        QStringLiteral("an animation name must have 1 to %1 characters").arg(kMaxNameLength));
  }
  if (manifest_.animations.contains(key)) {
    return Refuse(QStringLiteral("animation \"%1\" is given twice").arg(name));
  }
  const QString where = QStringLiteral("animation \"%1\"").arg(name);
  const QJsonObject object = value.toObject();
  const QJsonArray steps = object.value(QLatin1String("steps")).toArray();
  if (steps.isEmpty() || steps.size() > kMaxStepsPerAnimation) {
    return Refuse(where +
                  QStringLiteral(": \"steps\" must list 1 to %1 steps").arg(kMaxStepsPerAnimation));
  }
  const int last_frame = manifest_.frame_count - 1;
  Animation animation;
  if (!ReadInt(object, where, "end", -1, last_frame, -1, &animation.end_frame)) return false;
  for (const QJsonValue step_value : steps) {
    const QJsonObject step_object = step_value.toObject();
    AnimationStep step;
    int duration = 0;
    if (!ReadInt(step_object, where, "frame", 0, last_frame, std::nullopt, &step.frame) ||
        !ReadInt(step_object, where, "duration", 0, 1000 * kMaxDurationMs, kDefaultDurationMs,
                 &duration)) {
      return false;
    }
    // Too short a step would spin the timer, too long one freeze the figure.
    step.duration_ms = std::clamp(duration, kMinDurationMs, kMaxDurationMs);
    animation.steps.push_back(step);
  }
  manifest_.animations.emplace(key, std::move(animation));
  return true;
}

bool ManifestReader::ReadMouths(const QJsonValue& value) {
  manifest_.mouth_frames.fill(-1);
  if (value.isUndefined()) return true;
  if (!value.isObject()) return Refuse(QStringLiteral("\"mouths\" must be an object"));
  const QJsonObject mouths = value.toObject();
  for (auto it = mouths.begin(); it != mouths.end(); ++it) {
    const auto* known = std::find(kMouthShapeNames.begin(), kMouthShapeNames.end(),
                                  it.key().toLower().toStdString());
    if (known == kMouthShapeNames.end()) {
      return Refuse(QStringLiteral("unknown mouth shape \"%1\"").arg(it.key()));
    }
    const auto shape = static_cast<std::size_t>(known - kMouthShapeNames.begin());
    if (!ReadInt(mouths, QStringLiteral("mouths"), it.key().toUtf8().constData(), -1,
                 manifest_.frame_count - 1, std::nullopt, &manifest_.mouth_frames.at(shape))) {
      return false;
    }
  }
  return true;
}

bool ManifestReader::ReadBalloonAnchor(const QJsonValue& value) {
  const QSize size = manifest_.frame_size;
  if (value.isUndefined()) {
    manifest_.balloon_anchor = QPoint(size.width() / 2, 0);
    return true;
  }
  const QJsonObject anchor = value.toObject();
  const QString where = QStringLiteral("balloonAnchor");
  int x = 0;
  int y = 0;
  if (!ReadInt(anchor, where, "x", 0, size.width(), std::nullopt, &x) ||
      !ReadInt(anchor, where, "y", 0, size.height(), std::nullopt, &y)) {
    return false;
  }
  manifest_.balloon_anchor = QPoint(x, y);
  return true;
}

}  // namespace

std::optional<Manifest> ParseManifest(const QByteArray& json, QString* error) {
  return ManifestReader(error).Read(json);
}

}  // namespace parlotto::agent
