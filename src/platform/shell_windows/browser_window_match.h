// Which top-level X11 window belongs to which browser frame. AT-SPI names a
// frame's process and title but no window id, so a frame is paired with a
// client window of the same process: first the one with the same title, and
// when titles differ (a page that renamed itself between the two reads), the
// process's only window left over for its only frame left over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell_windows/x11_windows.h"

namespace parlotto {

struct FrameIdentity {
  std::int64_t pid = 0;
  std::string title;
};

// For each frame, the id of its window, or 0 when none can be told apart.
// Each window goes to one frame at most.
std::vector<std::uint32_t> MatchFramesToWindows(const std::vector<FrameIdentity>& frames,
                                                const std::vector<x11::ClientWindow>& windows);

}  // namespace parlotto
