// The names in an OLE compound file (legacy Word, Excel, encrypted XML
// packages): enough to tell what the file holds without reading any of
// its streams. Every offset and chain is checked against the file, so a
// damaged or hostile file fails instead of looping or reading astray.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parlotto::office {

// Whether the bytes begin with the compound file's signature.
bool LooksLikeCompoundFile(std::string_view head);

// The names of the streams and storages in the file's directory (the
// root's excluded), or nothing with `error` set when the file is damaged.
std::optional<std::vector<std::string>> CompoundFileNames(const std::string& file_name,
                                                          std::string* error);
// The same of a file in memory (the fuzzer's way in).
std::optional<std::vector<std::string>> CompoundFileNamesOfBytes(std::string_view bytes,
                                                                 std::string* error);

}  // namespace parlotto::office
