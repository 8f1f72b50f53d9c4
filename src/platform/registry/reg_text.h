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
};

// Reads .reg text whose sections lie under `root_name` (e.g.
// "HKEY_CURRENT_USER"). Keeps every section and value it can read and skips
// the rest: unknown lines, values outside a section, sections under another
// root, a missing header, a value cut off by the end of the text.
ParsedHive ParseRegText(std::string_view text, std::string_view root_name);

// The whole hive as a file: the header, then a section for every key, parents
// before children. The root itself gets a section only when it has values.
std::string FormatHive(const RegKey& root, std::string_view root_name);

// The header, then the section `section` (a full key path such as
// "HKEY_CURRENT_USER\Software\X") for `key` and the sections below it.
std::string FormatExport(const RegKey& key, const std::string& section);

}  // namespace parlotto
