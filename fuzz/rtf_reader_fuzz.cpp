// Arbitrary bytes for the RTF reader: it must finish in time linear in its
// input, stay in bounds, and give well-formed UTF-8 no longer than three
// bytes for each byte of markup. The input is given an RTF header when it
// lacks one, so that every run reaches the reader itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text_formats/rtf_reader.h"
#include "text_formats/text_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string rtf(reinterpret_cast<const char*>(data), size);
  if (!parlotto::LooksLikeRtf(rtf)) rtf.insert(0, "{\\rtf1 ");
  parlotto::RtfLimits limits;
  limits.max_depth = 64;
  const std::optional<std::string> text = parlotto::RtfToText(rtf, limits);
  if (!text) std::abort();
  if (!parlotto::IsValidUtf8(*text)) std::abort();
  if (text->size() > 3 * rtf.size()) std::abort();
  return 0;
}
