// The speech trace that a program under test writes (PARLOTTO_SPEECH_TRACE),
// read back, and the user hive that has the program read aloud itself
// rather than through the character, so that what it says is traced.
#pragma once

#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace parlotto::testing {

// Lines of further values of the same key may follow.
inline constexpr const char* kReadAloudWithoutCharacterHive =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
    "\"noAgent\"=dword:00000001\n";

// The trace's events in order, each without its time: "speak <text>" or
// "audio-stop".
inline std::vector<std::string> TraceEventsWithText(const std::string& path) {
  std::vector<std::string> events;
  const std::string trace = ReadFile(path);
  size_t start = 0;
  while (start < trace.size()) {
    size_t end = trace.find('\n', start);
    if (end == std::string::npos) end = trace.size();
    const std::string line = trace.substr(start, end - start);
    const size_t space = line.find(' ');
    events.push_back(space == std::string::npos ? line : line.substr(space + 1));
    start = end + 1;
  }
  return events;
}

// The same with each "speak <text>" as just "speak".
inline std::vector<std::string> TraceEvents(const std::string& path) {
  std::vector<std::string> events = TraceEventsWithText(path);
  for (std::string& event : events) {
    if (event.rfind("speak ", 0) == 0) event = "speak";
  }
  return events;
}

// The texts spoken, in order, as the trace writes them.
inline std::vector<std::string> SpokenTexts(const std::string& path) {
  std::vector<std::string> spoken;
  for (const std::string& event : TraceEventsWithText(path)) {
    if (event.rfind("speak ", 0) == 0) spoken.push_back(event.substr(6));
  }
  return spoken;
}

}  // namespace parlotto::testing
