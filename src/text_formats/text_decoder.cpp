#include "text_formats/text_decoder.h"

#include <uchardet.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace parlotto {
namespace {

// How much of the start the binary checks and the guess look at: enough to
// be sure, little enough that a large file costs no extra time.
constexpr std::size_t kSniffBytes = std::size_t{64} << 10;
constexpr std::size_t kGuessBytes = std::size_t{4} << 20;
// A text may hold a few stray control characters; beyond this share of
// the start it is data, not text.
constexpr std::size_t kMaxControlPercent = 10;

struct Bom {
  std::string_view bytes;
  const char* encoding;
  QStringConverter::Encoding qt;
};

// UTF-32LE first: its mark begins with UTF-16LE's.
constexpr std::array<Bom, 5> kBoms = {{
    {{"\xFF\xFE\x00\x00", 4}, "UTF-32LE", QStringConverter::Utf32LE},
    {{"\x00\x00\xFE\xFF", 4}, "UTF-32BE", QStringConverter::Utf32BE},
    {{"\xEF\xBB\xBF", 3}, "UTF-8", QStringConverter::Utf8},
    {{"\xFF\xFE", 2}, "UTF-16LE", QStringConverter::Utf16LE},
    {{"\xFE\xFF", 2}, "UTF-16BE", QStringConverter::Utf16BE},
}};

const Bom* FindBom(std::string_view bytes) {
  for (const Bom& bom : kBoms) {
    if (bytes.starts_with(bom.bytes)) return &bom;
  }
  return nullptr;
}

// In pieces, so that a large file is never held as UTF-16 and UTF-8 at
// once; the decoder keeps a character that a piece boundary splits.
std::string Decode(QStringDecoder& decoder, std::string_view bytes) {
  constexpr std::size_t kPiece = std::size_t{64} << 10;
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 8);
  // Qt's UTF-16 decoder does not keep a high surrogate for the next piece.
  QString high_surrogate;
  for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
    const std::string_view piece = bytes.substr(at, kPiece);
    QString decoded = high_surrogate + decoder.decode(QByteArrayView(
                                           piece.data(), static_cast<qsizetype>(piece.size())));
    high_surrogate.clear();
    if (at + kPiece < bytes.size() && !decoded.isEmpty() && decoded.back().isHighSurrogate()) {
      high_surrogate = decoded.back();
      decoded.chop(1);
    }
    const QByteArray utf8 = decoded.toUtf8();
    text.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  }
  return text;
}

// UTF-16 without a mark: plain Latin text in it has a zero in nearly every
// other byte, and almost none in the bytes between.
std::optional<Bom> GuessUtf16(std::string_view bytes) {
  const std::size_t n = std::min(bytes.size(), kSniffBytes) & ~std::size_t{1};
  if (n < 2) return std::nullopt;
  std::size_t even_zeros = 0;
  std::size_t odd_zeros = 0;
  for (std::size_t i = 0; i < n; i += 2) {
    even_zeros += bytes[i] == '\0';
    odd_zeros += bytes[i + 1] == '\0';
  }
  const std::size_t units = n / 2;
  auto most = [units](std::size_t count) { return count * 10 >= units * 7; };
  auto few = [units](std::size_t count) { return count * 20 <= units; };
  if (most(odd_zeros) && few(even_zeros)) {
    return Bom{{}, "UTF-16LE", QStringConverter::Utf16LE};
  }
  if (most(even_zeros) && few(odd_zeros)) {
    return Bom{{}, "UTF-16BE", QStringConverter::Utf16BE};
  }
  return std::nullopt;
}

// uchardet's name for the character set, or "" when it has no guess.
std::string GuessCharset(std::string_view bytes) {
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(
      uchardet_new(), &uchardet_delete);
  if (!detector) return {};
  const std::size_t n = std::min(bytes.size(), kGuessBytes);
  if (uchardet_handle_data(detector.get(), bytes.data(), n) != 0) return {};
  uchardet_data_end(detector.get());
  const char* charset = uchardet_get_charset(detector.get());
  return charset != nullptr ? charset : "";
}

bool IsDroppedControl(unsigned char c) {
  return c < 0x20 && c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r';
}

// Binary data shows itself by many control characters near the start.
bool LooksLikeData(std::string_view text) {
  const std::size_t n = std::min(text.size(), kSniffBytes);
  if (n == 0) return false;
  const std::size_t controls = static_cast<std::size_t>(
      std::count_if(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n),
                    [](char c) { return IsDroppedControl(static_cast<unsigned char>(c)); }));
  return controls * 100 > n * kMaxControlPercent;
}

DecodedText Finish(std::string encoding, std::string text) {
  if (LooksLikeData(text)) return {false, {}, {}};
  std::erase_if(text, [](char c) { return IsDroppedControl(static_cast<unsigned char>(c)); });
  return {true, std::move(encoding), std::move(text)};
}

DecodedText DecodeGuessed(std::string_view bytes) {
  std::string charset = GuessCharset(bytes);
  // Latin-1's 0x80 to 0x9F are control characters that no text means;
  // Windows-1252 has the same letters and prints those too.
  if (charset.empty() || charset == "ASCII" || charset == "ISO-8859-1") {
    charset = "windows-1252";
  }
  QStringDecoder decoder(charset.c_str());
  if (!decoder.isValid()) {
    charset = "windows-1252";
    decoder = QStringDecoder(charset.c_str());
  }
  return Finish(charset, Decode(decoder, bytes));
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int length = 0;
    std::uint32_t min = 0;
    std::uint32_t code = 0;
    if ((c & 0xE0) == 0xC0) {
      length = 2, min = 0x80, code = c & 0x1Fu;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, min = 0x800, code = c & 0x0Fu;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, min = 0x10000, code = c & 0x07u;
    } else {
      return false;
    }
    if (end - p < length) return false;
    for (int i = 1; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[i] & 0x3Fu);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    p += length;
  }
  return true;
}

DecodedText DecodePlainText(std::string bytes) {
  if (const Bom* bom = FindBom(bytes)) {
    QStringDecoder decoder(bom->qt);
    return Finish(bom->encoding,
                  Decode(decoder, std::string_view(bytes).substr(bom->bytes.size())));
  }
  const std::string_view start = std::string_view(bytes).substr(0, kSniffBytes);
  if (start.find('\0') != std::string_view::npos) {
    const std::optional<Bom> utf16 = GuessUtf16(bytes);
    if (!utf16) return {false, {}, {}};
    QStringDecoder decoder(utf16->qt);
    return Finish(utf16->encoding, Decode(decoder, bytes));
  }
  if (IsValidUtf8(bytes)) return Finish("UTF-8", std::move(bytes));
  return DecodeGuessed(bytes);
}

}  // namespace parlotto
