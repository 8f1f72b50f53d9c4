// A small character drawn in code for the window's tests: a round face
// whose frames differ visibly (blink, raised brows, one mouth per shape),
// with a faint patch (alpha 60) at the top left; the rest around it is clear.
#pragma once

#include "character_format/character.h"

namespace parlotto::agent::test {

// Frames: 0 rest, 1 eyes shut, 2 brows up, 3 small (showing/hiding),
// 4 + shape - 1 the mouth of each shape but kMouthRest (4..10), 11 the
// face faded to 40 %, 12 nothing at all.
// Animations: "show" 3 -> 0, "hide" 0 -> 3, "idle" 0 (300 ms) 1 (100 ms),
// "wave" 2 0 2 ending on 2, "long" 2 for a minute.
inline constexpr int kRestFrame = 0;
inline constexpr int kBlinkFrame = 1;
inline constexpr int kBrowsFrame = 2;
inline constexpr int kSmallFrame = 3;
inline constexpr int kFaintFrame = 11;
inline constexpr int kClearFrame = 12;
inline constexpr int MouthFrameOf(int shape) { return 3 + shape; }

Character MakeTestCharacter();

// Whether `image` shows each opaque pixel of `character`'s frame `frame`.
bool ShowsFrame(const QImage& image, const Character& character, int frame);

}  // namespace parlotto::agent::test
