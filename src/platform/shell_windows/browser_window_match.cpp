#include "platform/shell_windows/browser_window_match.h"

#include <cstddef>

namespace parlotto {

std::vector<std::uint32_t> MatchFramesToWindows(const std::vector<FrameIdentity>& frames,
                                                const std::vector<x11::ClientWindow>& windows) {
  std::vector<std::uint32_t> match(frames.size(), 0);
  std::vector<bool> taken(windows.size(), false);

  for (std::size_t f = 0; f < frames.size(); ++f) {
    if (frames[f].pid <= 0) continue;
    for (std::size_t w = 0; w < windows.size(); ++w) {
      if (!taken[w] && windows[w].pid == frames[f].pid && windows[w].title == frames[f].title) {
        match[f] = windows[w].id;
        taken[w] = true;
        break;
      }
    }
  }

  // What is left: pair only where the process leaves no choice.
  for (std::size_t f = 0; f < frames.size(); ++f) {
    if (match[f] != 0 || frames[f].pid <= 0) continue;
    std::size_t open_frames = 0;
    for (std::size_t g = 0; g < frames.size(); ++g) {
      if (match[g] == 0 && frames[g].pid == frames[f].pid) ++open_frames;
    }
    std::size_t open_windows = 0;
    std::size_t candidate = 0;
    for (std::size_t w = 0; w < windows.size(); ++w) {
      if (!taken[w] && windows[w].pid == frames[f].pid) {
        ++open_windows;
        candidate = w;
      }
    }
    if (open_frames == 1 && open_windows == 1) {
      match[f] = windows[candidate].id;
      taken[candidate] = true;
    }
  }
  return match;
}

}  // namespace parlotto
