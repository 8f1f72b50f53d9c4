#include "platform/shell_windows/browser_window_match.h"

#include <gtest/gtest.h>

namespace parlotto {
namespace {

using Matches = std::vector<std::uint32_t>;

TEST(BrowserWindowMatch, PairsEachFrameWithTheWindowOfItsProcessAndTitle) {
  const std::vector<FrameIdentity> frames = {
      {100, "Erste - Chromium"}, {100, "Zweite - Chromium"}, {200, "Erste - Chromium"}};
  const std::vector<x11::ClientWindow> windows = {{0x500001, 200, "Erste - Chromium"},
                                                  {0x400002, 100, "Zweite - Chromium"},
                                                  {0x40000c, 100, "Erste - Chromium"}};
  EXPECT_EQ(MatchFramesToWindows(frames, windows), (Matches{0x40000c, 0x400002, 0x500001}));
}

TEST(BrowserWindowMatch, PairsTheOnlyFrameLeftOfAProcessWithItsOnlyWindowLeft) {
  // The page renamed itself between the two reads.
  const std::vector<FrameIdentity> frames = {{100, "Laden..."}, {100, "Fertig"}};
  const std::vector<x11::ClientWindow> windows = {{0x11, 100, "Fertig"},
                                                  {0x12, 100, "Neuer Titel"}};
  EXPECT_EQ(MatchFramesToWindows(frames, windows), (Matches{0x12, 0x11}));
}

TEST(BrowserWindowMatch, LeavesAFrameUnpairedWhenNoWindowCanBeToldToBeIts) {
  // Two frames and two windows of one process, no title in common: a guess
  // could name the wrong window as the one in front.
  EXPECT_EQ(MatchFramesToWindows({{100, "A"}, {100, "B"}}, {{0x11, 100, "C"}, {0x12, 100, "D"}}),
            (Matches{0, 0}));
  // Another process's window, though its title is the same.
  EXPECT_EQ(MatchFramesToWindows({{100, "A"}}, {{0x11, 300, "A"}}), (Matches{0}));
  // A window that names no process.
  EXPECT_EQ(MatchFramesToWindows({{0, "A"}}, {{0x11, 0, "A"}}), (Matches{0}));
  // Two frames of one title, one window: it goes to one of them only.
  EXPECT_EQ(MatchFramesToWindows({{100, "A"}, {100, "A"}}, {{0x11, 100, "A"}}), (Matches{0x11, 0}));
}

}  // namespace
}  // namespace parlotto
