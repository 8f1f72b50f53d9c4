// Plain-text files in the character sets they come in: marked, unmarked
// UTF-8, the Windows and ISO code pages of German texts, and data that is
// no text at all.
#include "text_formats/text_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace parlotto {
namespace {

// "Grüße aus Köln" and friends in UTF-16: each character's two bytes.
std::string Utf16(const std::u16string& text, bool big_endian) {
  std::string bytes;
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

const std::string kGerman = "Grüße aus Köln.\r\nÄrger über Öl und Spaß.\n";

TEST(TextDecoderTest, AByteOrderMarkDecidesAndIsDropped) {
  const std::u16string german = u"Grüße aus Köln.\r\nÄrger über Öl und Spaß.\n";
  struct Case {
    std::string bytes;
    const char* encoding;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF" + kGerman, "UTF-8"},
      {"\xFF\xFE" + Utf16(german, false), "UTF-16LE"},
      {"\xFE\xFF" + Utf16(german, true), "UTF-16BE"},
      {std::string("\xFF\xFE\0\0", 4) + std::string("G\0\0\0\xFC\0\0\0\x01\xF6\x01\0", 12),
       "UTF-32LE"},
  };
  for (const Case& c : cases) {
    const DecodedText decoded = DecodePlainText(c.bytes);
    EXPECT_TRUE(decoded.is_text) << c.encoding;
    EXPECT_EQ(decoded.encoding, c.encoding);
    if (std::string(c.encoding) == "UTF-32LE") {
      EXPECT_EQ(decoded.text, "Gü\U0001F601");
    } else {
      EXPECT_EQ(decoded.text, kGerman) << c.encoding;
    }
  }
}

TEST(TextDecoderTest, ACharacterAcrossTheDecodersPiecesStaysWhole) {
  // Large files are decoded 64 KiB at a time; "ü" falls on the seam.
  const std::string utf8 = std::string(65535, 'a') + "ü";
  EXPECT_EQ(DecodePlainText("\xEF\xBB\xBF" + utf8).text, utf8);
  std::string utf16 = "\xFF\xFE";
  for (int i = 0; i < 32767; ++i) utf16 += std::string("a\0", 2);
  utf16 += "\x3D\xD8\x01\xDE";  // U+1F601 as a surrogate pair across the seam
  const DecodedText decoded = DecodePlainText(utf16);
  EXPECT_EQ(decoded.text, std::string(32767, 'a') + "\U0001F601");
}

TEST(TextDecoderTest, ValidUtf8WithoutAMarkIsTakenAsItIs) {
  for (const std::string& text : {kGerman, std::string("plain ASCII\n"), std::string("")}) {
    const DecodedText decoded = DecodePlainText(text);
    EXPECT_TRUE(decoded.is_text);
    EXPECT_EQ(decoded.encoding, "UTF-8");
    EXPECT_EQ(decoded.text, text);
  }
}

TEST(TextDecoderTest, GermanInWindows1252IsRecognisedWithItsQuotesAndEuro) {
  const DecodedText decoded = DecodePlainText(
      "Die B\xe4ume bl\xfchen. \x84Sch\xf6n\x93, sagte er. Das kostet 5 \x80 pro St\xfc"
      "ck.\n");
  EXPECT_TRUE(decoded.is_text);
  EXPECT_EQ(decoded.text, "Die Bäume blühen. „Schön“, sagte er. Das kostet 5 € pro Stück.\n");
}

TEST(TextDecoderTest, GermanInIso8859IsRecognisedByItsUmlauts) {
  // ISO-8859-15 and -1 share every German letter; a guess of either reads
  // the text right.
  const DecodedText decoded = DecodePlainText(
      "Gr\xfc\xdf"
      "e aus M\xfcnchen! Sch\xf6ne Gr\xfc\xdf"
      "e an \xc4nne und \xd6tzi, "
      "\xfc"
      "ber die Stra\xdf"
      "e.\n");
  EXPECT_TRUE(decoded.is_text);
  EXPECT_EQ(decoded.text, "Grüße aus München! Schöne Grüße an Änne und Ötzi, über die Straße.\n");
}

TEST(TextDecoderTest, AShortWesternTextIsReadRightWhateverTheGuess) {
  // Too little to tell Windows-1250 from 1252: both have é and € there.
  const DecodedText decoded = DecodePlainText("Caf\xe9 \x80");
  EXPECT_TRUE(decoded.is_text);
  EXPECT_EQ(decoded.text, "Café €");
}

TEST(TextDecoderTest, Utf16WithoutAMarkIsRecognisedByItsZeroBytes) {
  const std::u16string text = u"Hallo Welt, wie geht es dir?\r\n";
  DecodedText le = DecodePlainText(Utf16(text, false));
  EXPECT_TRUE(le.is_text);
  EXPECT_EQ(le.encoding, "UTF-16LE");
  EXPECT_EQ(le.text, "Hallo Welt, wie geht es dir?\r\n");
  DecodedText be = DecodePlainText(Utf16(text, true));
  EXPECT_EQ(be.encoding, "UTF-16BE");
  EXPECT_EQ(be.text, "Hallo Welt, wie geht es dir?\r\n");
}

TEST(TextDecoderTest, BinaryDataIsNoTextAndGivesNothingToRead) {
  static const char kPng[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0\0\0\x01\0\x08\x06\0\0\0";
  const std::string png(kPng, sizeof kPng - 1);
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) % 31 + 1);
  for (const std::string& bytes : {png, noise}) {
    const DecodedText decoded = DecodePlainText(bytes);
    EXPECT_FALSE(decoded.is_text);
    EXPECT_EQ(decoded.text, "");
  }
}

TEST(TextDecoderTest, StrayControlCharactersAndLateZerosAreDroppedFromAText) {
  std::string bytes = "Seite eins\fSeite\x01 zwei\tEnde\x1b.\r\n";
  bytes += std::string(std::size_t{70} << 10, 'a');
  bytes += std::string("\0b", 2);
  const DecodedText decoded = DecodePlainText(bytes);
  ASSERT_TRUE(decoded.is_text);
  EXPECT_EQ(decoded.text.substr(0, 29), "Seite eins\fSeite zwei\tEnde.\r\n");
  EXPECT_EQ(decoded.text.substr(decoded.text.size() - 2), "ab");
}

TEST(TextDecoderTest, MalformedUtf8IsNeitherTakenAsItIsNorLost) {
  EXPECT_TRUE(IsValidUtf8("Grüße \xF0\x9F\x98\x81"));
  for (const char* bad :
       {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "a\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  }
  // A marked UTF-8 file with a broken sequence keeps the rest of its text.
  const DecodedText decoded = DecodePlainText(
      "\xEF\xBB\xBF"
      "a\xC3"
      "b");
  EXPECT_EQ(decoded.text,
            "a\xEF\xBF\xBD"
            "b");
}

}  // namespace
}  // namespace parlotto
