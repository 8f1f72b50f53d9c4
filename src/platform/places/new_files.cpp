#include "platform/places/new_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace parlotto {
namespace {

// The "Umask:" line of /proc/self/status (Linux 4.7 and later).
bool ReadUmask(mode_t* mask) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) != 0) continue;
    *mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
    return true;
  }
  return false;
}

std::string Failure(const std::string& what, const std::string& path, int error_number) {
  return what + " " + path + ": " + std::strerror(error_number);
}

std::string DirectoryOf(const std::string& path) {
  std::string dir = std::filesystem::path(path).parent_path().string();
  return dir.empty() ? std::string(".") : dir;
}

void SyncDirectory(const std::string& dir) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // Best effort: the rename has happened either way.
  close(fd);
}

}  // namespace

mode_t NewFileMode() {
  mode_t mask = 0;
  // Without the line, the strictest mode: a file too private beats one too open.
  if (!ReadUmask(&mask)) return 0600;
  return 0666 & ~mask;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string MakePrivateFile(const std::string& prefix, const std::string& bytes) {
  std::string name = prefix + "XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return {};
  const bool written = WriteAll(fd, bytes);
  close(fd);
  if (written) return name;
  unlink(name.c_str());
  return {};
}

bool ReplaceWithNewFile(const std::string& path, const std::string& bytes, mode_t mode,
                        const timespec* mtime, struct stat* written, std::string* error) {
  std::string temp = path + ".tmp.XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = Failure("cannot create a temporary file for", path, errno);
    return false;
  }
  const timespec times[2] = {{0, UTIME_OMIT}, mtime ? *mtime : timespec{0, UTIME_OMIT}};
  struct stat st;
  bool ok = WriteAll(fd, bytes) && fchmod(fd, mode) == 0 && fsync(fd) == 0 &&
            futimens(fd, times) == 0 && fstat(fd, &st) == 0;
  int saved_errno = errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    saved_errno = errno;
  }
  if (ok && rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    saved_errno = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    *error = Failure("cannot write", path, saved_errno);
    return false;
  }
  SyncDirectory(DirectoryOf(path));
  if (written) *written = st;
  return true;
}

}  // namespace parlotto
