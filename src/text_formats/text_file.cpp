#include "text_formats/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "platform/safe_open/safe_open.h"
#include "text_formats/rtf_reader.h"
#include "text_formats/text_decoder.h"

namespace parlotto {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads at most `max_bytes` + 1 bytes, so that a file that grows while it
// is read is still found too large without filling memory.
TextFileFailure ReadBounded(int fd, std::uintmax_t max_bytes, std::string& bytes) {
  constexpr std::size_t kChunk = std::size_t{64} << 10;
  while (bytes.size() <= max_bytes) {
    const std::size_t old_size = bytes.size();
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uintmax_t>(kChunk, max_bytes + 1 - old_size));
    bytes.resize(old_size + want);
    const ssize_t got = ::read(fd, bytes.data() + old_size, want);
    if (got < 0 && errno == EINTR) {
      bytes.resize(old_size);
      continue;
    }
    if (got < 0) return TextFileFailure::kCannotLoad;
    bytes.resize(old_size + static_cast<std::size_t>(got));
    if (got == 0) return TextFileFailure::kNone;
  }
  return TextFileFailure::kTooLarge;
}

}  // namespace

LoadedTextFile LoadTextFile(const std::string& name, std::uintmax_t max_bytes) {
  // Only a regular file: a FIFO without a writer would wait for ever, and a
  // device never ends.
  FileDescriptor fd(OpenRegularFile(name));
  struct stat status {};
  if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) return {TextFileFailure::kCannotOpen, {}};
  if (static_cast<std::uintmax_t>(status.st_size) > max_bytes) {
    return {TextFileFailure::kTooLarge, {}};
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  const TextFileFailure failure = ReadBounded(fd.get(), max_bytes, bytes);
  if (failure != TextFileFailure::kNone) return {failure, {}};

  if (std::optional<std::string> text = RtfToText(bytes)) {
    return {TextFileFailure::kNone, std::move(*text)};
  }
  DecodedText decoded = DecodePlainText(std::move(bytes));
  if (!decoded.is_text) return {TextFileFailure::kCannotLoad, {}};
  return {TextFileFailure::kNone, std::move(decoded.text)};
}

std::string TextFileFailureMessage(TextFileFailure failure, const std::string& name) {
  switch (failure) {
    case TextFileFailure::kCannotOpen:
      return "Datei " + name + " kann nicht geöffnet werden";
    case TextFileFailure::kTooLarge:
      return "Datei " + name + " ist zu groß";
    case TextFileFailure::kCannotLoad:
      return "Das Laden des Streams ist mißlungen";
    case TextFileFailure::kNone:
      break;
  }
  return {};
}

}  // namespace parlotto
