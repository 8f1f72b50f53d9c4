// Files the program makes for the user: with the modes the user's umask
// allows, and put in place without ever writing through a link that someone
// else planted in a shared directory.
#pragma once

#include <sys/types.h>

#include <string>

namespace parlotto {

// 0666 less the process's umask: the mode open(2) would give a new file.
// Read without changing the umask, which other threads may rely on.
mode_t NewFileMode();

// Replaces `path` with a new file holding `bytes`: written beside it under a
// private name, given NewFileMode() and renamed over it. A symlink at `path`
// is replaced, never followed. False with `error` (and `path` as it was).
bool WriteNewFile(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace parlotto
