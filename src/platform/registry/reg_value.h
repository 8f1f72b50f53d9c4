// Helpers for single registry values: type names, the stored form of a value
// and the UTF-16 form that hex(1)/hex(2) data uses in .reg files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace parlotto {

// "REG_SZ", "REG_DWORD", ...; "REG_UNKNOWN" for a type without a name.
const char* RegTypeName(RegType type);

// `value` with only the member its type uses, so that stored values compare
// and format the same however they were built.
RegValue NormalizedValue(const RegValue& value);
bool SameValue(const RegValue& a, const RegValue& b);

// UTF-8 text as UTF-16LE bytes with a terminating zero unit, as regedit
// stores REG_SZ and REG_EXPAND_SZ data. Invalid UTF-8 becomes U+FFFD.
std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text);
// The reverse; one terminating zero unit is dropped, embedded ones are kept.
// False for an odd number of bytes.
bool Utf16LeToUtf8(const std::vector<std::uint8_t>& bytes, std::string* text);
// UTF-16LE bytes as UTF-8, zero units included; a lone surrogate becomes
// U+FFFD, an odd last byte is left out.
std::string Utf16LeBytesToUtf8(std::string_view bytes);

}  // namespace parlotto
