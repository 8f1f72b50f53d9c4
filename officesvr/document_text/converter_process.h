// An outside converter (antiword, LibreOffice) run without a shell, from
// an argument list, under a time limit and with its output bounded: a
// converter that hangs or floods is killed, and says so.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace parlotto::office {

struct ConverterRun {
  enum class Outcome { kFinished, kNotStarted, kTimedOut, kTooMuchOutput, kCrashed };
  Outcome outcome = Outcome::kNotStarted;
  int exit_code = -1;
  std::string output;
  // The start of what it wrote to standard error.
  std::string errors;
};

// `program` is a path or a name looked up on PATH.
ConverterRun RunConverter(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds time_limit, std::size_t max_output);

}  // namespace parlotto::office
