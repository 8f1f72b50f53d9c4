// The registry editor's export text: reading it leniently and writing it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry/reg_tree.h"

namespace parlotto {

inline constexpr std::string_view kRegHeader = "Windows Registry Editor Version 5.00";

struct ParsedHive {
  std::unique_ptr<RegKey> root;
  // 1-based number of the first line that had to be skipped; 0 when the
  // whole text was understood.
  std::size_t first_bad_line = 0;
  // What was wrong with that line, e.g. "a value outside any section".
  std::string first_problem;
  // How many lines were skipped in all.
  std::size_t bad_lines = 0;
};

// Reads .reg text whose sections lie under `root_name` (e.g.
// "HKEY_CURRENT_USER"). The file may be UTF-8 (with or without a byte order
// mark) or UTF-16LE with a byte order mark, as the registry editor exports
// it, with LF or CRLF line ends; a "REGEDIT4" file's text and string data are
// the old 8-bit form (taken as Windows-1252 unless the file is valid UTF-8).
// Keeps every section and value it can read and skips the rest: unknown
// lines, values outside a section, sections under another root, a missing
// header, a value cut off by the end of the text.
ParsedHive ParseRegText(std::string_view text, std::string_view root_name);

// One line for a log about `parsed`'s damage, e.g. "line 3 (and 2 more lines)
// could not be read: a value outside any section"; empty when it has none.
std::string DescribeDamage(const ParsedHive& parsed);

// The whole hive as a file: the header, then a section for every key, parents
// before children. The root itself gets a section only when it has values.
// Always UTF-8 with LF line ends, whatever form the file was read in: one
// form to write keeps the hive readable by grep, diff and editors on Linux;
// the reader takes the registry editor's UTF-16 exports as well.
std::string FormatHive(const RegKey& root, std::string_view root_name);

// The header, then the section `section` (a full key path such as
// "HKEY_CURRENT_USER\Software\X") for `key` and the sections below it.
std::string FormatExport(const RegKey& key, const std::string& section);

}  // namespace parlotto
