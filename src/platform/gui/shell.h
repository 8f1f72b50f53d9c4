// The shell's "open": documents and addresses go to the desktop's handler
// (xdg-open), programs are started with an argument list, never through a
// shell command line.
//
// PARLOTTO_SHELL=record:PATH appends "<verb>\t<file>\t<parameters>" to PATH
// for each call instead of making it (fields escaped as in dialog records).
#pragma once

#include <string>
#include <vector>

#include "platform/loop/window_messages.h"

namespace parlotto {

constexpr int SW_SHOW = 5;
constexpr int SW_SHOWNORMAL = 1;

// Greater than 32 on success, as the program's callers expect; they mostly
// ignore it.
int ShellExecute(HWND owner, const std::string& verb, const std::string& file,
                 const std::string& parameters, const std::string& directory, int show);

// Starts the program `file` with `arguments`, each passed as it is: nothing is
// split or quoted, so a directory with blanks stays one argument. Recorded
// like ShellExecute, with the arguments joined by blanks.
int ShellStartProgram(HWND owner, const std::string& file,
                      const std::vector<std::string>& arguments);

// Whether shell calls are recorded instead of run (PARLOTTO_SHELL).
bool ShellIsRecorded();

}  // namespace parlotto
