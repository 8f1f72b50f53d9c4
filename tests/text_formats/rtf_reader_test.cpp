// RTF documents as WordPad, Word and LibreOffice write them, cut down to
// what matters, and hostile ones: the text comes out as the control shows
// it, and nothing of the markup, the tables or the embedded data does.
#include "text_formats/rtf_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace parlotto {
namespace {

std::string Text(const std::string& rtf, const RtfLimits& limits = {}) {
  const std::optional<std::string> text = RtfToText(rtf, limits);
  EXPECT_TRUE(text.has_value()) << rtf;
  return text.value_or("<no RTF>");
}

const char* kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1031"
    "{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}{\\f1\\fswiss\\fcharset204 Arial;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
    "{\\stylesheet{\\s0\\snext0 Normal;}}\r\n"
    "{\\info{\\author Jemand}{\\title Ein Titel}}\r\n"
    "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n";

TEST(RtfReaderTest, OnlyTheBodyIsTextAndParagraphsEndWithCrLf) {
  EXPECT_EQ(Text(std::string(kHeader) +
                 "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang7 Erster Absatz.\\par\r\n"
                 "{\\b Fett} und {\\i kursiv}\\line neue Zeile\\tab nach Tab\\par\r\n}"),
            "Erster Absatz.\r\nFett und kursiv\r\nneue Zeile\tnach Tab");
}

TEST(RtfReaderTest, UmlautsComeFromHexBytesAndUnicodeWithTheirFallbacksSkipped) {
  EXPECT_EQ(Text("{\\rtf1\\ansi\\ansicpg1252 Gr\\'fc\\'dfe aus K\\'f6ln\\par}"), "Grüße aus Köln");
  EXPECT_EQ(Text("{\\rtf1\\ansi\\uc1 Gr\\u252\\'fc\\u223?e \\u8364\\'80 \\u-10179?\\u-8703?}"),
            "Grüße € \U0001F601");
  // Two fallback characters, and \uc scoped to its group.
  EXPECT_EQ(Text("{\\rtf1{\\uc2 \\u228\\'61\\'65x}\\u246?y}"), "äxöy");
  // \uc0: nothing to skip.
  EXPECT_EQ(Text("{\\rtf1\\uc0 \\u8222 Zitat\\u8220 }"), "„Zitat“");
}

TEST(RtfReaderTest, HexBytesFollowTheCodePageOfTheDocumentAndOfTheFont) {
  // A Cyrillic document code page, and a Cyrillic font in a Western one.
  EXPECT_EQ(Text("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"), "Привет");
  EXPECT_EQ(Text(std::string(kHeader) + "\\f1 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\f0 \\'e4}"),
            "Привет ä");
  // \plain goes back to the default font.
  EXPECT_EQ(Text(std::string(kHeader) + "\\f1\\'e4\\plain\\'e4}"), "дä");
  // A double-byte code page: one character from two \'hh.
  EXPECT_EQ(Text("{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96\\'7b}"), "日本");
  // The Mac's own code page.
  EXPECT_EQ(Text("{\\rtf1\\mac \\'8a}"), "ä");
}

TEST(RtfReaderTest, EscapesAndSymbolsBecomeTheirCharacters) {
  EXPECT_EQ(Text("{\\rtf1 a\\{b\\}c\\\\d\\~e\\-f\\_g\\emdash\\endash\\bullet"
                 "\\lquote x\\rquote \\ldblquote y\\rdblquote}"),
            "a{b}c\\d\u00A0ef\u2011g\u2014\u2013\u2022\u2018x\u2019\u201Cy\u201D");
}

TEST(RtfReaderTest, TableCellsAreSeparatedByTabsAndRowsEndLikeParagraphs) {
  EXPECT_EQ(Text("{\\rtf1 Vorher\\par\\trowd\\cellx1000\\cellx2000\\cellx3000"
                 "\\intbl Name\\cell Ort\\cell \\'c4lter\\cell\\row"
                 "\\trowd\\cellx1000\\cellx2000\\cellx3000"
                 "\\intbl Anna\\cell Bonn\\cell 42\\cell\\row\\pard Nachher\\par}"),
            "Vorher\r\nName\tOrt\tÄlter\r\nAnna\tBonn\t42\r\nNachher");
}

TEST(RtfReaderTest, PicturesObjectsHeadersAndHiddenTextAreNotRead) {
  EXPECT_EQ(Text("{\\rtf1 Bild:{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a0000}"
                 "{\\*\\shppict{\\pict\\jpegblip ffd8ffe0}}{\\nonshppict{\\pict\\wmetafile8 0100}}"
                 " Ende.}"),
            "Bild: Ende.");
  EXPECT_EQ(Text("{\\rtf1{\\header Kopfzeile}{\\footer Fu\\'dfzeile}Text{\\footnote Fu\\'dfnote}"
                 "{\\v versteckt}{\\v sichtbar?\\v0  doch}.}"),
            "Text doch.");
  EXPECT_EQ(Text("{\\rtf1 Objekt: {\\object\\objemb{\\*\\objclass Excel.Sheet}"
                 "{\\*\\objdata 01050000020000000b000000}{\\result {\\rtlch Ergebnis}}}.}"),
            "Objekt: Ergebnis.");
  // Unknown destinations marked ignorable go, unknown plain words stay out.
  EXPECT_EQ(Text("{\\rtf1 a{\\*\\neuartig viel Markup}b\\neuesWort c}"), "abc");
  // Blanks after the brace, as some writers put them: still a destination;
  // before text they are text.
  EXPECT_EQ(Text("{\\rtf1{ \\fonttbl {\\f0\\fswiss Arial;}}{  \\*\\neu x}{ \\info{ \\title T}}"
                 "Hallo{ \\b Welt}{ }.}"),
            "Hallo Welt .");
}

TEST(RtfReaderTest, FieldsShowTheirResultNotTheirInstruction) {
  EXPECT_EQ(Text("{\\rtf1 Siehe {\\field{\\*\\fldinst HYPERLINK \"https://example.org\"}"
                 "{\\fldrslt {\\ul Beispiel}}} und Seite {\\field{\\fldinst PAGE}{\\fldrslt 3}}.}"),
            "Siehe Beispiel und Seite 3.");
}

TEST(RtfReaderTest, BinaryDataIsSkippedByItsLengthWhateverItHolds) {
  std::string rtf = "{\\rtf1 vor{\\pict\\bin12 ";
  rtf += std::string("}{\\par\0\xff\\'41x", 12);
  rtf += "} nach\\bin3 }}x Schluss}";
  EXPECT_EQ(Text(rtf), "vor nach Schluss");
  // A length beyond the end of the file ends the text there.
  EXPECT_EQ(Text("{\\rtf1 a\\bin999999999 bc}"), "a");
  EXPECT_EQ(Text("{\\rtf1 a\\bin-5 b}"), "ab");
}

TEST(RtfReaderTest, DeepNestingIsBoundedAndTheTextAroundItSurvives) {
  const std::size_t depth = 1000000;
  std::string bomb = "{\\rtf1 vorher ";
  bomb += std::string(depth, '{') + "innen" + std::string(depth, '}');
  bomb += " nachher}";
  EXPECT_EQ(Text(bomb), "vorher  nachher");
  // Inside the limit, nesting is plain text.
  EXPECT_EQ(Text("{\\rtf1 " + std::string(100, '{') + "tief" + std::string(100, '}') + "}"),
            "tief");
  // Unbalanced: more closing braces end the document, missing ones do not
  // lose the text.
  EXPECT_EQ(Text("{\\rtf1 a}} b}"), "a");
  EXPECT_EQ(Text("{\\rtf1 {{{ offen"), " offen");
}

TEST(RtfReaderTest, TheTextStopsAtTheOutputLimit) {
  RtfLimits limits;
  limits.max_output = 10;
  EXPECT_EQ(Text("{\\rtf1 0123456789abcdef}", limits), "0123456789");
  // Never in the middle of a character.
  EXPECT_EQ(Text("{\\rtf1 012345678\\'e4}", limits), "012345678");
}

TEST(RtfReaderTest, OnlyAnRtfHeaderMakesADocument) {
  EXPECT_FALSE(RtfToText("Ein {\\rtf1 Text}").has_value());
  EXPECT_FALSE(RtfToText("").has_value());
  EXPECT_FALSE(RtfToText("{\\rt").has_value());
  EXPECT_EQ(Text("{\\rtf"), "");
  // Truncated control sequences at the very end.
  EXPECT_EQ(Text("{\\rtf1 a\\'e"), "a");
  EXPECT_EQ(Text("{\\rtf1 a\\"), "a");
  EXPECT_EQ(Text("{\\rtf1 a\\u"), "a");
}

}  // namespace
}  // namespace parlotto
