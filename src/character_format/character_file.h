// Reading a character file (.acz): a zip with manifest.json and PNG frames
// or sprite sheets. Every size is bounded, so a damaged or hostile file
// fails with a reason instead of exhausting memory.
#pragma once

#include <QString>
#include <optional>

#include "character_format/character.h"

namespace parlotto::agent {

// The character in `path`, or nullopt with `*error` saying why not.
std::optional<Character> LoadCharacterFile(const QString& path, QString* error);

}  // namespace parlotto::agent
