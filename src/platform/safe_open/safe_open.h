// Opening files by name when the name may point at something other than a
// plain file: a FIFO or a device blocks open() or read() for ever, and a link
// or a file someone else planted in a shared directory must not be written.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace parlotto {

// Opens `path` for reading when it is a regular file (links followed), in
// blocking mode once that is known. -1 with errno set otherwise; EINVAL for
// a FIFO, a socket, a device or a directory. The open itself never waits.
int OpenRegularFile(const std::string& path);

// Opens (with `flags`, O_CREAT allowed, `mode` for a new file) a file of this
// user's in a directory that others may write to: never through a link, never
// blocking, and only when it is a regular file with one name, owned by this
// user. -1 otherwise; nothing is written or truncated before the checks.
// `opened` (may be null) gets the status the checks saw.
int OpenOwnFile(const std::string& path, int flags, mode_t mode, struct stat* opened = nullptr);

}  // namespace parlotto
