#include "platform/new_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

}  // namespace

mode_t NewFileMode() {
  mode_t mask = 0;
  // Without the line, the strictest mode: a file too private beats one too open.
  if (!ReadUmask(&mask)) return 0600;
  return 0666 & ~mask;
}

bool WriteNewFile(const std::string& path, const std::string& bytes, std::string* error) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot create a file beside " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = fchmod(fd, NewFileMode()) == 0 && WriteAll(fd, bytes);
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
    *error = "cannot write " + path + ": " + std::strerror(saved_errno);
  }
  return ok;
}

}  // namespace parlotto
