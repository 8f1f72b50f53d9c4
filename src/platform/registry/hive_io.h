// POSIX file work for hives: reading with a change stamp, the writers' lock,
// atomic replacement and backups of damaged files.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <string>

namespace parlotto {

// What tells one version of a hive file from another without reading it.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec mtime = {0, 0};
  mode_t mode = 0;

  static FileStamp Of(const struct stat& st);
  bool operator==(const FileStamp& other) const;
};

enum class ReadStatus { kOk, kMissing, kError };

// Reads the whole regular file at `path`. kError sets `error` (a directory in
// its place, no permission, an I/O error).
ReadStatus ReadHiveFile(const std::string& path, std::string* bytes, FileStamp* stamp,
                        std::string* error);

// An exclusive flock on a file of its own, held until destruction. The hive
// itself cannot carry the lock because every write replaces it.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Acquire(const std::string& path, std::string* error);

 private:
  int fd_ = -1;
};

// Replaces `path` with `bytes` through a synced temporary file in the same
// directory and a rename. `previous` (may be null) is the file being
// replaced: its mode is kept and the new mtime is made later than its mtime;
// a new file gets the mode the umask allows.
// Fills `written` with the new file's stamp.
bool ReplaceFile(const std::string& path, const std::string& bytes, const FileStamp* previous,
                 FileStamp* written, std::string* error);

// Stores `bytes` as <path>.damaged, or <path>.damaged.N when that exists;
// never overwrites an earlier backup. Returns the name in `backup`.
bool SaveBackup(const std::string& path, const std::string& bytes, std::string* backup,
                std::string* error);

}  // namespace parlotto
