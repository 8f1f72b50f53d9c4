#include "parlotto/sources/pdf_converter.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "contracts/pdf_converter/parse_pdf.h"
#include "platform/loop/clock.h"
#include "platform/loop/termination_signals.h"

namespace parlotto {
namespace {

using pdf_converter::ParsePdfFunction;

// The child's whole life: the conversion, its result into the pipe, and an
// end that runs none of the parent's exit handlers.
[[noreturn]] void RunChild(ParsePdfFunction parse, const std::string& pdf, const std::string& out,
                           int result_pipe) {
  // The parent's handlers would report to the parent's event loop.
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGHUP, SIG_DFL);
  const int result = parse(pdf.c_str(), out.c_str());
  const bool written = write(result_pipe, &result, sizeof result) == sizeof result;
  _exit(written ? 0 : 1);
}

enum class Wait { kReady, kTimedOut, kTerminating };

// Waits for the result until `deadline_ms` (monotonic). Looks for a
// termination signal every 100 ms: the program is to end promptly even
// in the middle of a long conversion.
Wait WaitReadable(int fd, std::int64_t deadline_ms) {
  constexpr int kSliceMs = 100;
  for (;;) {
    const std::int64_t left = deadline_ms - MonotonicMs();
    if (left <= 0) return Wait::kTimedOut;
    pollfd entry{fd, POLLIN, 0};
    const int ready = poll(&entry, 1, static_cast<int>(std::min<std::int64_t>(left, kSliceMs)));
    if (ready > 0) return Wait::kReady;
    if (ready < 0 && errno != EINTR) return Wait::kTimedOut;
    if (SleepUnlessTerminating(1)) return Wait::kTerminating;
  }
}

std::string EndOf(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return "lost";
  }
  if (WIFSIGNALED(status))
    return std::string("killed by signal ") + std::to_string(WTERMSIG(status));
  return "exited with code " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

PdfConverter::PdfConverter(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

PdfConverter::~PdfConverter() {
  if (handle_ != nullptr) dlclose(handle_);
}

bool PdfConverter::FindParsePdf() {
  if (handle_ != nullptr) parse_pdf_ = dlsym(handle_, pdf_converter::kExportName);
  return parse_pdf_ != nullptr;
}

PdfConverter::Outcome PdfConverter::ParsePdf(const std::string& pdf, const std::string& out,
                                             int limit_ms) {
  auto parse = reinterpret_cast<ParsePdfFunction>(parse_pdf_);
  if (parse == nullptr) return {std::nullopt, "no ParsePDF"};
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    return {std::nullopt, std::string("pipe: ") + std::strerror(errno)};
  const std::int64_t deadline = MonotonicMs() + limit_ms;
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return {std::nullopt, std::string("fork: ") + std::strerror(errno)};
  }
  if (child == 0) {
    close(fds[0]);
    RunChild(parse, pdf, out, fds[1]);
  }
  close(fds[1]);
  Outcome outcome;
  int result = 0;
  const Wait wait = WaitReadable(fds[0], deadline);
  if (wait != Wait::kReady) {
    kill(child, SIGKILL);
    outcome.stopped = wait != Wait::kTimedOut;
    outcome.failure = wait == Wait::kTimedOut
                          ? "timed out after " + std::to_string(limit_ms) + " ms"
                          : std::string("stopped by a termination signal");
    EndOf(child);
  } else if (read(fds[0], &result, sizeof result) == sizeof result) {
    outcome.result = result;
    EndOf(child);
  } else {
    outcome.failure = EndOf(child);
  }
  close(fds[0]);
  return outcome;
}

}  // namespace parlotto
