#include "platform/registry/hive_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/places/new_files.h"
#include "platform/safe_open/safe_open.h"

namespace parlotto {
namespace {

std::string Failure(const std::string& what, const std::string& path, int error_number) {
  return what + " " + path + ": " + std::strerror(error_number);
}

// A new mtime that is later than `previous`'s: a reader compares stamps, and
// a rewrite within the same clock tick that reuses a freed inode number and
// keeps the size would otherwise look unchanged.
timespec NextMtime(const FileStamp* previous) {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  if (!previous) return now;
  const timespec& last = previous->mtime;
  if (now.tv_sec > last.tv_sec || (now.tv_sec == last.tv_sec && now.tv_nsec > last.tv_nsec)) {
    return now;
  }
  timespec next = last;
  if (++next.tv_nsec >= 1000000000L) {
    next.tv_nsec = 0;
    ++next.tv_sec;
  }
  return next;
}

}  // namespace

FileStamp FileStamp::Of(const struct stat& st) {
  FileStamp stamp;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.mtime = st.st_mtim;
  stamp.mode = st.st_mode;
  return stamp;
}

bool FileStamp::operator==(const FileStamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         mtime.tv_sec == other.mtime.tv_sec && mtime.tv_nsec == other.mtime.tv_nsec &&
         mode == other.mode;
}

ReadStatus ReadHiveFile(const std::string& path, std::string* bytes, FileStamp* stamp,
                        std::string* error) {
  bytes->clear();
  // Asked before anything is read: a FIFO under the hive's name would hold
  // every start of the program.
  int fd = OpenRegularFile(path);
  if (fd < 0) {
    if (errno == ENOENT) return ReadStatus::kMissing;
    *error = errno == EINVAL ? "cannot read " + path + ": not a regular file"
                             : Failure("cannot open", path, errno);
    return ReadStatus::kError;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    *error = Failure("cannot stat", path, errno);
    close(fd);
    return ReadStatus::kError;
  }
  bytes->reserve(static_cast<size_t>(st.st_size));
  std::vector<char> buffer(1 << 16);
  while (true) {
    ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      *error = Failure("cannot read", path, errno);
      close(fd);
      bytes->clear();
      return ReadStatus::kError;
    }
    bytes->append(buffer.data(), static_cast<size_t>(n));
  }
  close(fd);
  *stamp = FileStamp::Of(st);
  return ReadStatus::kOk;
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);
}

bool FileLock::Acquire(const std::string& path, std::string* error) {
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    *error = Failure("cannot open lock file", path, errno);
    return false;
  }
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    *error = Failure("cannot lock", path, errno);
    return false;
  }
  return true;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, const FileStamp* previous,
                 FileStamp* written, std::string* error) {
  // A new hive gets the mode the user's umask gives; a rewrite keeps the old one.
  const mode_t mode = previous ? (previous->mode & 07777) : NewFileMode();
  const timespec mtime = NextMtime(previous);
  struct stat st;
  if (!ReplaceWithNewFile(path, bytes, mode, &mtime, &st, error)) return false;
  *written = FileStamp::Of(st);
  return true;
}

bool SaveBackup(const std::string& path, const std::string& bytes, std::string* backup,
                std::string* error) {
  for (int n = 0; n < 10000; ++n) {
    std::string name = path + ".damaged";
    if (n > 0) name += "." + std::to_string(n);
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      *error = Failure("cannot create backup", name, errno);
      return false;
    }
    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    int saved_errno = errno;
    if (close(fd) != 0 && ok) {
      ok = false;
      saved_errno = errno;
    }
    if (!ok) {
      unlink(name.c_str());
      *error = Failure("cannot write backup", name, saved_errno);
      return false;
    }
    *backup = name;
    return true;
  }
  *error = "no free backup name for " + path;
  return false;
}

}  // namespace parlotto
