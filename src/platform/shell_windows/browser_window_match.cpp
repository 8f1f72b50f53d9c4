#include "platform/shell_windows/browser_window_match.h"

#include <cstddef>
#include <utility>

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

namespace {

constexpr std::uint32_t kOwnNumber = 0x80000000u;

bool IsOwnNumber(std::uint32_t handle) { return (handle & kOwnNumber) != 0; }

}  // namespace

void FrameHandles::Update(const std::vector<std::pair<std::string, std::uint32_t>>& frames) {
  std::map<std::string, std::uint32_t> handles;
  for (const auto& [key, x11_id] : frames) {
    if (key.empty()) continue;
    if (x11_id != 0) {
      handles[key] = x11_id;
      continue;
    }
    // An object keeps its number from one list to the next, so that the
    // window in front, asked for between two lists, is still found.
    const auto known = handles_.find(key);
    handles[key] =
        known != handles_.end() && IsOwnNumber(known->second) ? known->second : NewNumber();
  }
  handles_ = std::move(handles);
}

std::uint32_t FrameHandles::HandleOf(const std::string& key) {
  const auto known = handles_.find(key);
  if (known != handles_.end()) return known->second;
  return handles_[key] = NewNumber();
}

std::uint32_t FrameHandles::NewNumber() {
  // 2^31 numbers: a process that lists a frame a second would need 68 years.
  return kOwnNumber | (next_++ & ~kOwnNumber);
}

}  // namespace parlotto
