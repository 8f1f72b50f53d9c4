#include "platform/com_runtime/com_check.h"

#include <cstdio>
#include <filesystem>

#include "platform/com/error_info.h"

namespace parlotto {
namespace {

// The file's own name: where the program was built says nothing to a reader
// of the log.
std::string FileName(const char* file) { return std::filesystem::path(file).filename().string(); }

std::string TakeErrorDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) != S_OK || !info) return {};
  BSTR description;
  if (FAILED(info->GetDescription(&description))) return {};
  return description.trimmed().toStdString();
}

}  // namespace

std::string ComCallMessage(HRESULT hr, const char* call, const char* file, int line) {
  std::string reason = TakeErrorDescription();
  if (reason.empty()) reason = HResultMessage(hr);
  if (!reason.empty()) {
    return "'" + std::string(call) + "': " + reason + " @ " + FileName(file) + "/" +
           std::to_string(line);
  }
  char codes[48];
  std::snprintf(codes, sizeof codes, "%X (%ld)", static_cast<unsigned>(hr), static_cast<long>(hr));
  return "(" + std::string(call) + ") Error: " + codes + " @ " + FileName(file) + "/" +
         std::to_string(line);
}

void ThrowComCallError(HRESULT hr, const char* call, const char* file, int line) {
  throw ComCallError(ComCallMessage(hr, call, file, line), hr);
}

void ThrowEmptyReference(const char* condition, const char* file, int line) {
  throw ComCallError(
      std::string(condition) + " failed - " + FileName(file) + "/" + std::to_string(line),
      E_POINTER);
}

}  // namespace parlotto
