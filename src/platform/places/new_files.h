// Files the program makes for the user: with the modes the user's umask
// allows, and put in place without ever writing through a link that someone
// else planted in a shared directory, nor leaving a half-written file for a
// reader to find.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <string>

namespace parlotto {

// 0666 less the process's umask: the mode open(2) would give a new file.
// Read without changing the umask, which other threads may rely on.
mode_t NewFileMode();

// Writes all of `bytes` to `fd`, going on after interruptions.
bool WriteAll(int fd, const std::string& bytes);

// A new file of its own holding `bytes`, private to the user, named
// `prefix` and six random characters; "" when it cannot be made.
std::string MakePrivateFile(const std::string& prefix, const std::string& bytes = {});

// Replaces `path` with a new file holding `bytes`: written and synced beside
// it under a private name, given `mode` and, when not null, `mtime`, and
// renamed over it. A symlink at `path` is replaced, never followed. Fills
// `written` (may be null) with the new file's status. False with `error`,
// and `path` as it was.
bool ReplaceWithNewFile(const std::string& path, const std::string& bytes, mode_t mode,
                        const timespec* mtime, struct stat* written, std::string* error);

// The same with the umask's mode.
inline bool WriteNewFile(const std::string& path, const std::string& bytes, std::string* error) {
  return ReplaceWithNewFile(path, bytes, NewFileMode(), nullptr, nullptr, error);
}

}  // namespace parlotto
