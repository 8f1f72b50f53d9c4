#include "app/debug_log.h"

#include <atomic>
#include <cstdio>

#include "platform/places.h"

namespace parlotto {
namespace {

std::atomic<bool> g_first_write{true};

}  // namespace

std::string DebugLogPath() { return TempDir() + "vocatodebug.log"; }

void WriteDebugLog(const std::string& text) noexcept {
  try {
    std::string path = DebugLogPath();
    // Cleared even when this open fails, so one run never truncates twice.
    const char* mode = g_first_write.exchange(false) ? "wb" : "ab";
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
  } catch (...) {
    // Only allocation can throw here; the entry is lost like an unopenable file.
  }
}

}  // namespace parlotto
