#include "platform/safe_open/safe_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace parlotto {
namespace {

// O_NONBLOCK makes open() return at once for a FIFO without a writer; it is
// taken off again for the plain file that remains, whose reads never block.
int OpenWithoutWaiting(const std::string& path, int flags, mode_t mode) {
  return open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
}

int Refuse(int fd, int error) {
  close(fd);
  errno = error;
  return -1;
}

}  // namespace

int OpenRegularFile(const std::string& path) {
  const int fd = OpenWithoutWaiting(path, O_RDONLY, 0);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0) return Refuse(fd, errno);
  if (!S_ISREG(st.st_mode)) return Refuse(fd, EINVAL);
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return Refuse(fd, errno);
  return fd;
}

int OpenOwnFile(const std::string& path, int flags, mode_t mode, struct stat* opened) {
  const int fd = OpenWithoutWaiting(path, flags | O_NOFOLLOW, mode);
  if (fd < 0) return -1;
  struct stat st {};
  const bool ours =
      fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
  if (!ours) return Refuse(fd, EPERM);
  if (opened != nullptr) *opened = st;
  return fd;
}

}  // namespace parlotto
