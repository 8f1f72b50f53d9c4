// Arbitrary bytes as a hive file: reading must stay in bounds and keep what
// it understands, and what it keeps must survive being written and read
// again unchanged. A hive that changes on the second round trip would drift
// a little every time the program saves it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/reg_text.h"

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const parlotto::ParsedHive first = parlotto::ParseRegText(text, kRoot);
  if (!first.root) std::abort();
  if ((first.bad_lines == 0) != (first.first_bad_line == 0)) std::abort();
  if (first.bad_lines != 0 && parlotto::DescribeDamage(first).empty()) std::abort();

  const std::string written = parlotto::FormatHive(*first.root, kRoot);
  const parlotto::ParsedHive second = parlotto::ParseRegText(written, kRoot);
  if (!second.root || second.bad_lines != 0) std::abort();
  if (parlotto::FormatHive(*second.root, kRoot) != written) std::abort();
  return 0;
}
