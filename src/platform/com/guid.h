// GUIDs: the 128-bit identifiers of classes, interfaces and type libraries.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace parlotto {

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};

  // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 misreads a defaulted <=>.
  friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};

namespace guid_internal {

constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", with or without braces.
constexpr bool Parse(std::string_view text, GUID* out) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return false;
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return false;
  std::uint8_t bytes[16] = {};
  std::size_t byte = 0;
  for (std::size_t i = 0; i < 36;) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return false;
      ++i;
      continue;
    }
    int high = HexDigit(text[i]);
    int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  GUID guid;
  guid.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
               (std::uint32_t{bytes[2]} << 8) | bytes[3];
  guid.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  *out = guid;
  return true;
}

}  // namespace guid_internal

// A GUID written in the source, checked when compiling:
// constexpr IID IID_IFoo = MakeGuid("{...}");
consteval GUID MakeGuid(std::string_view text) {
  GUID guid;
  if (!guid_internal::Parse(text, &guid)) throw "malformed GUID";
  return guid;
}

// Accepts the registry form with braces and the bare form, any case.
bool GuidFromString(std::string_view text, GUID* out);

// The registry form: braces, upper case, groups 8-4-4-4-12.
std::string StringFromGUID(const GUID& guid);

}  // namespace parlotto

template <>
struct std::hash<parlotto::GUID> {
  std::size_t operator()(const parlotto::GUID& g) const noexcept {
    std::uint64_t high = (std::uint64_t{g.Data1} << 32) | (std::uint64_t{g.Data2} << 16) | g.Data3;
    std::uint64_t low = 0;
    for (std::uint8_t b : g.Data4) low = (low << 8) | b;
    return std::hash<std::uint64_t>()(high ^ (low * 0x9E3779B97F4A7C15ull));
  }
};
