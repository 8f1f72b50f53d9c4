// A character as a screen of a given density shows it.
#pragma once

#include "character_format/character.h"

namespace parlotto::agent {

// `character` for a desktop that draws `scale` times as large as at 96 dots
// per inch: every frame resampled from its stored pixel ratio to
// frame_size * scale device pixels, the balloon anchor moved with it, and
// the pixel ratio 1. Frames already of that size are kept as they are.
Character AtScale(const Character& character, qreal scale);

}  // namespace parlotto::agent
