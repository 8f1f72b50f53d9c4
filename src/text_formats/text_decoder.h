// Plain-text files as the program's UTF-8 text. The bytes of a file say
// nothing certain about their character set, so the decoder decides in a
// fixed order: a byte order mark; else valid UTF-8 as it is; else UTF-16
// without a mark when its zero bytes give it away; else uchardet's guess
// through Qt's decoders; else Windows-1252, which decodes every byte.
#pragma once

#include <string>
#include <string_view>

namespace parlotto {

struct DecodedText {
  // False for binary input (zero bytes that are no UTF-16 or UTF-32, or
  // mostly control characters): `text` is empty then, so that an image
  // or an archive is never read out as a stream of noise.
  bool is_text = true;
  // The character set that decided, in Qt's spelling ("UTF-8",
  // "UTF-16LE", "windows-1252", ...); empty for binary input.
  std::string encoding;
  // UTF-8 without a byte order mark. Zero bytes and the C0 control
  // characters other than tab, line feed, vertical tab, form feed and
  // carriage return are dropped; undecodable bytes become U+FFFD.
  std::string text;
};

DecodedText DecodePlainText(std::string bytes);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

}  // namespace parlotto
