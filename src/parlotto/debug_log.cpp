#include "parlotto/debug_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "platform/places/places.h"
#include "platform/safe_open/safe_open.h"

namespace parlotto {
namespace {

std::atomic<bool> g_first_write{true};

// The log lies in a directory others may write to (/tmp): a link, a second
// name of another file, a FIFO or a file of someone else's planted under its
// name is never written to, waited on or truncated.
int OpenLog(const std::string& path, bool first) {
  const int fd = OpenOwnFile(path, O_WRONLY | O_CREAT | O_APPEND, 0666);
  // Truncated only once it is known to be ours.
  if (fd >= 0 && first && ftruncate(fd, 0) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Appends `line` unless the file has reached the limit; the entry that
// reaches it is followed by one line saying so, and later ones are dropped.
void AppendBounded(int fd, const std::string& line) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || static_cast<std::uintmax_t>(st.st_size) >= kMaxDebugLogBytes) return;
  std::string entry = line;
  if (static_cast<std::uintmax_t>(st.st_size) + line.size() >= kMaxDebugLogBytes) {
    entry += "(the log is full; later entries are dropped)\n";
  }
  // One write per entry: appends of two processes do not interleave.
  [[maybe_unused]] const ssize_t written = write(fd, entry.data(), entry.size());
}

std::mutex g_state_mutex;
std::string g_last_state;  // the last state entry, until another entry came

}  // namespace

std::string DebugLogPath() { return TempDir() + "vocatodebug.log"; }

void WriteDebugLog(const std::string& text) noexcept {
  try {
    {
      const std::lock_guard<std::mutex> lock(g_state_mutex);
      g_last_state.clear();
    }
    // Cleared even when this open fails, so one run never truncates twice.
    const int fd = OpenLog(DebugLogPath(), g_first_write.exchange(false));
    if (fd < 0) return;
    AppendBounded(fd, text + '\n');
    close(fd);
  } catch (...) {
    // Only allocation can throw here; the entry is lost like an unopenable file.
  }
}

void WriteDebugLogState(const std::string& text) noexcept {
  try {
    {
      const std::lock_guard<std::mutex> lock(g_state_mutex);
      if (g_last_state == text) return;
    }
    WriteDebugLog(text);
    const std::lock_guard<std::mutex> lock(g_state_mutex);
    g_last_state = text;
  } catch (...) {
  }
}

}  // namespace parlotto
