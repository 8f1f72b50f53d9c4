#include "parlotto/speech/character_display.h"

#include <cstdlib>

namespace parlotto {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool CharacterCannotBeShown() { return IsSet("WAYLAND_DISPLAY") && !IsSet("DISPLAY"); }

}  // namespace parlotto
