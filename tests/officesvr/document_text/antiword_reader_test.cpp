// Legacy Word documents made here (a compound file with a Word 97 piece
// table) read through the installed antiword, and stand-ins for antiword
// that fail the ways a converter can.
#include "officesvr/document_text/antiword_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/compound_file_writer.h"
#include "support/scratch_dir.h"

namespace parlotto::office {
namespace {

using parlotto::testing::ScratchDir;
using parlotto::testing::WordBinaryBytes;
using parlotto::testing::WriteFile;

// A shell script standing in for antiword.
std::string FakeConverter(const ScratchDir& dir, const std::string& body) {
  std::string path = dir.File("fake-antiword");
  WriteFile(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

TEST(AntiwordReaderTest, ReadsUmlautsAndParagraphsOfUnicodeAndEightBitText) {
  const ScratchDir dir;
  for (const bool eight_bit : {false, true}) {
    const std::string file = dir.File(eight_bit ? "acht.doc" : "unicode.doc");
    WriteFile(file,
              WordBinaryBytes("Grüße aus Köln\r\rZweiter Absatz\r", {.eight_bit = eight_bit}));
    const DocumentText text = ReadWordBinary(file);
    EXPECT_EQ(text.failure, DocumentFailure::kNone) << text.detail;
    // The empty paragraph is kept; antiword's own blank first line is not.
    EXPECT_EQ(text.text, "Grüße aus Köln\r\rZweiter Absatz\r") << "8-bit: " << eight_bit;
  }
}

TEST(AntiwordReaderTest, AnEncryptedDocumentNeedsItsPassword) {
  const ScratchDir dir;
  const std::string file = dir.File("geheim.doc");
  WriteFile(file, WordBinaryBytes("Geheim\r", {.encrypted = true}));
  EXPECT_EQ(ReadWordBinary(file).failure, DocumentFailure::kPasswordProtected);
}

TEST(AntiwordReaderTest, AFileAntiwordDoesNotTakeAsWordIsDamaged) {
  const ScratchDir dir;
  const std::string file = dir.File("kaputt.doc");
  WriteFile(file, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, 'x'));
  const DocumentText text = ReadWordBinary(file);
  EXPECT_EQ(text.failure, DocumentFailure::kDamaged);
  EXPECT_NE(text.detail.find("antiword"), std::string::npos) << text.detail;
}

TEST(AntiwordReaderTest, AConverterThatHangsFloodsOrCrashesIsStoppedAndReported) {
  const ScratchDir dir;
  const std::string file = dir.File("x.doc");
  WriteFile(file, "x");
  DocumentLimits limits;
  limits.converter_time = std::chrono::milliseconds(500);
  limits.max_text = 1 << 20;
  EXPECT_EQ(ReadWordBinary(file, limits, FakeConverter(dir, "exec sleep 30")).failure,
            DocumentFailure::kDamaged);
  limits.converter_time = std::chrono::milliseconds(30'000);
  EXPECT_EQ(ReadWordBinary(file, limits, FakeConverter(dir, "exec yes Absatz")).failure,
            DocumentFailure::kTooLarge);
  EXPECT_EQ(ReadWordBinary(file, limits, FakeConverter(dir, "kill -SEGV $$")).failure,
            DocumentFailure::kDamaged);
  EXPECT_EQ(ReadWordBinary(file, limits, dir.File("missing-antiword")).failure,
            DocumentFailure::kUnsupportedFormat);
}

TEST(AntiwordReaderTest, PassesTheFileAsOneArgumentWithoutAShell) {
  const ScratchDir dir;
  const std::string file = dir.File("a b; echo böse.doc");
  WriteFile(file, "x");
  const DocumentText text = ReadWordBinary(
      file, {}, FakeConverter(dir, "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done"));
  EXPECT_EQ(text.text, "[-m]\r[UTF-8.txt]\r[-w]\r[0]\r[--]\r[" + file + "]\r");
}

}  // namespace
}  // namespace parlotto::office
