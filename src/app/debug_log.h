// The debug log: "vocatodebug.log" in the temporary directory, one bare line
// per entry. The first entry of a process starts the file anew; every entry
// opens, appends and closes it, so the log is complete up to a crash and
// other programs may read or delete it between entries.
#pragma once

#include <string>

namespace parlotto {

// Never fails towards its caller: an entry that cannot be written is lost.
void WriteDebugLog(const std::string& text) noexcept;

// The file the next entry goes to.
std::string DebugLogPath();

}  // namespace parlotto
