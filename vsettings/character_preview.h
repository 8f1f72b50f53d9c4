// What the settings program shows of a character file: its name, its
// resting frame and its voice, read with the character server's own loader, so that
// a file the preview accepts is one the server can show.
#pragma once

#include <QImage>
#include <QString>

namespace parlotto::vsettings {

struct CharacterPreview {
  bool loaded = false;
  QString file;    // the file read, after choosing the default for ""
  QString name;    // the character's name
  QString voice;   // its own voice: an espeak-ng voice name such as "de"
  QImage picture;  // the figure at rest
  QString error;   // why nothing was loaded
};

// The character the server loads when no file is set: the first "*.ac*" file
// in <system>/agent/chars, by name; empty when there is none.
QString DefaultCharacterFile();

// The preview of `file`, or of the default character when `file` is empty.
CharacterPreview PreviewCharacter(const QString& file);

}  // namespace parlotto::vsettings
