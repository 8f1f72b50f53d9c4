// Which top-level X11 window belongs to which browser frame. AT-SPI names a
// frame's process and title but no window id, so a frame is paired with a
// client window of the same process: first the one with the same title, and
// when titles differ (a page that renamed itself between the two reads), the
// process's only window left over for its only frame left over.
#pragma once

#include <cstdint>
#include <map>
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

// The handle each frame answers as its HWND: its X11 window's id where it
// has one, else a number of its own for its accessibility object, the same
// each time that object is asked for. Such numbers have the top bit set;
// X11 ids have 29 bits, so the two never meet.
class FrameHandles {
 public:
  // Takes the frames of a new list, by accessibility object, with their X11
  // ids (0 for none). Frames not in it are forgotten; a number once given
  // is not given to another object.
  void Update(const std::vector<std::pair<std::string, std::uint32_t>>& frames);

  // The handle of the frame named `key`; a frame not in the list gets a
  // number no listed frame has.
  std::uint32_t HandleOf(const std::string& key);

 private:
  std::uint32_t NewNumber();

  std::map<std::string, std::uint32_t> handles_;
  std::uint32_t next_ = 1;
};

}  // namespace parlotto
