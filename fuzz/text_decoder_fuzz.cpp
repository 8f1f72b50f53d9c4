// Arbitrary bytes for the plain-text decoder: it must decide on every
// input, and what it calls text must be well-formed UTF-8 without zero
// bytes; what it calls data must leave nothing to read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text_formats/text_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  parlotto::DecodedText decoded =
      parlotto::DecodePlainText(std::string(reinterpret_cast<const char*>(data), size));
  if (!decoded.is_text) {
    if (!decoded.text.empty() || !decoded.encoding.empty()) std::abort();
    return 0;
  }
  if (decoded.encoding.empty()) std::abort();
  if (!parlotto::IsValidUtf8(decoded.text)) std::abort();
  if (decoded.text.find('\0') != std::string::npos) std::abort();
  return 0;
}
