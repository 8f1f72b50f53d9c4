// Whether the character can be shown at all. Its window is an X11 window
// (only X11 lets a client place its windows): a Wayland session without
// XWayland has nowhere to show it.
#pragma once

namespace parlotto {

// True on a Wayland session (WAYLAND_DISPLAY set) without an X display.
// Without either, the character's server runs without a screen and still
// speaks.
bool CharacterCannotBeShown();

}  // namespace parlotto
