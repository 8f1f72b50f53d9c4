// The program's debug log as a test reads it: without the idle lines its
// message loop writes whenever it waits.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace parlotto::testing {

// The lines of the log in `dir` (the program's TEMP), idle lines left out.
inline std::vector<std::string> LogLines(const ScratchDir& dir) {
  std::vector<std::string> lines;
  std::istringstream log(ReadFile(dir.File("vocatodebug.log")));
  for (std::string line; std::getline(log, line);) {
    if (line != "Idle" && line != "IdleDone") lines.push_back(line);
  }
  return lines;
}

// `lines`, each ended by a line break.
inline std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace parlotto::testing
