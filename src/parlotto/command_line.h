// The command line: the first argument picks the run mode, the second is its
// operand. Switches are compared exactly, case-sensitive, in table order.
#pragma once

#include <string>
#include <vector>

#include "parlotto/run_mode.h"

namespace parlotto {

// Which field of the main window the operand goes to.
enum class OperandField {
  kNone,
  kTextFileName,
  kWordDocumentName,
  kPdfDocumentName,
  kWebAddress,
  kTextToRead,
};

struct Switch {
  const char* name;
  TRunMode run_mode;
  OperandField field;
  // The error text when the named file does not exist; null: no check.
  const char* missing_file_message;
};

// The switch that the first argument names, or null for none (no arguments,
// or a first argument that is no switch: the run mode stays as it is).
const Switch* FindSwitch(const std::vector<std::string>& args);

// The operand: the second argument, or "" when there is none.
std::string Operand(const std::vector<std::string>& args);

// "--help" and "--version" as the only argument: they print and the program
// ends before any window or server starts. Anywhere else they are ordinary
// arguments (a first argument that is no switch, or an operand).
enum class InfoRequest { kNone, kHelp, kVersion };
InfoRequest FindInfoRequest(const std::vector<std::string>& args);

// The German usage text: switches, settings, log and environment.
std::string UsageText();

// "parlotto <version>" and a line break.
std::string VersionText();

// Whether `name` names an existing file (not a directory); "" never does.
bool NamesAFile(const std::string& name);

}  // namespace parlotto
