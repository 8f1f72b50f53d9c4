#include "vsettings/character_preview.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <optional>

#include "character_format/character_file.h"
#include "platform/places/places.h"

namespace parlotto::vsettings {
namespace {

bool Blank(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) != 0) return false;
    }
  }
  return true;
}

// The figure as it stands between readings: the first frame of its idle
// animation. A character's frame 0 is often the empty start of "Show", so
// without an idle animation the first frame with anything on it is taken.
const QImage& RestingFrame(const agent::Character& character) {
  const auto idle = character.animations.find(QStringLiteral("idle"));
  if (idle != character.animations.end() && !idle->second.steps.empty()) {
    const int frame = idle->second.steps.front().frame;
    if (frame >= 0 && frame < static_cast<int>(character.frames.size())) {
      return character.frames[static_cast<std::size_t>(frame)];
    }
  }
  for (const QImage& frame : character.frames) {
    if (!Blank(frame)) return frame;
  }
  return character.frames.front();
}

}  // namespace

QString DefaultCharacterFile() {
  QDir chars(QString::fromStdString(SystemDir()) + QStringLiteral("agent/chars"));
  const QStringList files =
      chars.entryList({QStringLiteral("*.ac*")}, QDir::Files | QDir::Readable, QDir::Name);
  return files.isEmpty() ? QString() : chars.filePath(files.first());
}

CharacterPreview PreviewCharacter(const QString& file) {
  CharacterPreview preview;
  preview.file = file.isEmpty() ? DefaultCharacterFile() : file;
  if (preview.file.isEmpty()) {
    preview.error = QStringLiteral("Keine Figur installiert.");
    return preview;
  }
  if (!QFileInfo::exists(preview.file)) {
    // The program then loads the default character, without a message.
    preview.error = QStringLiteral("Datei nicht gefunden; das Programm lädt die Standardfigur.");
    return preview;
  }
  QString error;
  std::optional<agent::Character> character = agent::LoadCharacterFile(preview.file, &error);
  if (!character || character->frames.empty()) {
    preview.error = QStringLiteral("Keine lesbare Figur: %1")
                        .arg(error.isEmpty() ? QStringLiteral("keine Bilder") : error);
    return preview;
  }
  preview.loaded = true;
  preview.name = character->name;
  preview.voice = character->voice;
  preview.picture = RestingFrame(*character);
  return preview;
}

}  // namespace parlotto::vsettings
