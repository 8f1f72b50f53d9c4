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
std::mutex g_state_mutex;
std::string g_last_state;  // the last entry when it told a state, else empty

// Appends one entry. The log lies in a directory others may write to
// (/tmp): a link, a second name of another file, a FIFO or a file of someone
// else's planted under its name is never written to, waited on or
// truncated. Past the size limit the entry is dropped; the entry that
// reaches it is followed by one line saying so.
void Append(const std::string& text) {
  // Cleared even when this open fails, so one run never truncates twice.
  const bool first = g_first_write.exchange(false);
  struct stat st {};
  const int fd = OpenOwnFile(DebugLogPath(), O_WRONLY | O_CREAT | O_APPEND, 0666, &st);
  if (fd < 0) return;
  // Truncated only once it is known to be ours.
  const std::uintmax_t size = first ? 0 : static_cast<std::uintmax_t>(st.st_size);
  if ((first && ftruncate(fd, 0) != 0) || size >= kMaxDebugLogBytes) {
    close(fd);
    return;
  }
  std::string entry = text + '\n';
  if (size + entry.size() >= kMaxDebugLogBytes)
    entry += "(the log is full; later entries are dropped)\n";
  // One write per entry: appends of two processes do not interleave.
  [[maybe_unused]] const ssize_t written = write(fd, entry.data(), entry.size());
  close(fd);
}

}  // namespace

std::string DebugLogPath() { return TempDir() + "vocatodebug.log"; }

void WriteDebugLog(const std::string& text) noexcept {
  try {
    {
      const std::lock_guard<std::mutex> lock(g_state_mutex);
      g_last_state.clear();
    }
    Append(text);
  } catch (...) {
    // Only allocation can throw here; the entry is lost like an unopenable file.
  }
}

void WriteDebugLogState(const std::string& text) noexcept {
  try {
    {
      const std::lock_guard<std::mutex> lock(g_state_mutex);
      if (g_last_state == text) return;
      g_last_state = text;
    }
    Append(text);
  } catch (...) {
    // As for any entry.
  }
}

}  // namespace parlotto
