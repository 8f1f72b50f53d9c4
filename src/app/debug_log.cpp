#include "app/debug_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "platform/places.h"

namespace parlotto {
namespace {

std::atomic<bool> g_first_write{true};

// The log lies in a directory others may write to (/tmp): a link or a
// hard link planted under its name must not make us write to its target,
// and a file of someone else's is not ours to fill.
int OpenLog(const std::string& path, bool first) {
  // open() applies the umask itself; every log line comes here, so the
  // umask is not looked up for it.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat st;
  const bool ours =
      fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
  // Truncated only once it is known to be ours.
  if (!ours || (first && ftruncate(fd, 0) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string DebugLogPath() { return TempDir() + "vocatodebug.log"; }

void WriteDebugLog(const std::string& text) noexcept {
  try {
    // Cleared even when this open fails, so one run never truncates twice.
    const int fd = OpenLog(DebugLogPath(), g_first_write.exchange(false));
    if (fd < 0) return;
    // One write per entry: appends of two processes do not interleave.
    const std::string line = text + '\n';
    [[maybe_unused]] const ssize_t written = write(fd, line.data(), line.size());
    close(fd);
  } catch (...) {
    // Only allocation can throw here; the entry is lost like an unopenable file.
  }
}

}  // namespace parlotto
