// The debug log: "vocatodebug.log" in the temporary directory, one bare line
// per entry. The first entry of a process starts the file anew; every entry
// opens, appends and closes it, so the log is complete up to a crash and
// other programs may read or delete it between entries.
#pragma once

#include <cstdint>
#include <string>

namespace parlotto {

// The log stops growing here: any peer on the bus can make the program log,
// and the file lies in a directory shared by everyone.
inline constexpr std::uintmax_t kMaxDebugLogBytes = std::uintmax_t{4} << 20;

// Never fails towards its caller: an entry that cannot be written is lost.
void WriteDebugLog(const std::string& text) noexcept;

// An entry that tells a state rather than an event (the message loop ran
// idle): written only when the entry before it was another one, so that a
// stream of calls, each followed by an idle loop, adds no line per call.
void WriteDebugLogState(const std::string& text) noexcept;

// The file the next entry goes to.
std::string DebugLogPath();

}  // namespace parlotto
