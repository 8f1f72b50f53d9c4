// Files of every kind under names that tell the truth and names that do
// not: the content decides the reader, and each failure has its kind.
#include "officesvr/document_text/document_text.h"

#include <gtest/gtest.h>

#include "support/compound_file_writer.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/zip_writer.h"

namespace parlotto::office {
namespace {

using parlotto::testing::CompoundFileBytes;
using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;
using parlotto::testing::WordBinaryBytes;
using parlotto::testing::WriteFile;
using parlotto::testing::WriteZip;

const std::string kWordXml =
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    "<w:body><w:p><w:r><w:t>Wort</w:t></w:r></w:p></w:body></w:document>";
const std::string kOdfXml =
    R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
    R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:text>)"
    "<text:p>Offen</text:p></office:text></office:body></office:document-content>";

class DocumentTextTest : public ::testing::Test {
 protected:
  // No LibreOffice: what nothing else reads is unsupported.
  ScopedEnv path_{"PATH", "/usr/bin:/bin"};
  ScratchDir dir_;
};

TEST_F(DocumentTextTest, TheContentDecidesTheReaderWhateverTheName) {
  WriteZip(dir_.File("wort.bin"), {{"word/document.xml", kWordXml}});
  EXPECT_EQ(ExtractDocumentText(dir_.File("wort.bin")).text, "Wort\r");
  WriteZip(dir_.File("offen.docx"), {{"mimetype", "application/vnd.oasis.opendocument.text", true},
                                     {"content.xml", kOdfXml}});
  EXPECT_EQ(ExtractDocumentText(dir_.File("offen.docx")).text, "Offen\r");
  WriteFile(dir_.File("reich.doc"), "{\\rtf1\\ansi Gr\\'fc\\'dfe\\par zwei\\line drei}");
  EXPECT_EQ(ExtractDocumentText(dir_.File("reich.doc")).text, "Grüße\rzwei\rdrei");
  WriteFile(dir_.File("alt.docx"), WordBinaryBytes("Altes Format\r"));
  EXPECT_EQ(ExtractDocumentText(dir_.File("alt.docx")).text, "Altes Format\r");
}

TEST_F(DocumentTextTest, PlainTextEndsItsLinesWithCrAsParagraphs) {
  WriteFile(dir_.File("a.txt"), "eins\r\nzwei\ndrei\rvier\tfünf\f");
  EXPECT_EQ(ExtractDocumentText(dir_.File("a.txt")).text, "eins\rzwei\rdrei\rvier\tfünf\f");
  // Text under another name is still text.
  WriteFile(dir_.File("liesmich"), "K\xF6ln\n");
  EXPECT_EQ(ExtractDocumentText(dir_.File("liesmich")).text, "Köln\r");
  // Binary data named as text is a broken text file.
  WriteFile(dir_.File("b.txt"), std::string("\x01\x02\x00\x00\x03", 5) + std::string(100, '\x04'));
  EXPECT_EQ(ExtractDocumentText(dir_.File("b.txt")).failure, DocumentFailure::kDamaged);
}

TEST_F(DocumentTextTest, EachFailureHasItsKind) {
  EXPECT_EQ(ExtractDocumentText(dir_.File("fehlt.docx")).failure, DocumentFailure::kCannotOpen);
  EXPECT_EQ(ExtractDocumentText(dir_.path().string()).failure, DocumentFailure::kCannotOpen);
  // A package's name on text: a broken package, not a text to read out.
  WriteFile(dir_.File("text.docx"), "Das ist kein Zip.");
  EXPECT_EQ(ExtractDocumentText(dir_.File("text.docx")).failure, DocumentFailure::kDamaged);
  WriteFile(dir_.File("leer.odt"), "");
  EXPECT_EQ(ExtractDocumentText(dir_.File("leer.odt")).failure, DocumentFailure::kDamaged);
  WriteFile(dir_.File("kaputt.docx"), "PK\x03\x04 und dann nichts");
  EXPECT_EQ(ExtractDocumentText(dir_.File("kaputt.docx")).failure, DocumentFailure::kDamaged);
  WriteFile(dir_.File("kaputt.doc"), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 kurz");
  EXPECT_EQ(ExtractDocumentText(dir_.File("kaputt.doc")).failure, DocumentFailure::kDamaged);
  // Binary data of no known kind, and a spreadsheet package.
  WriteFile(dir_.File("bild.png"), std::string("\x89PNG\r\n\x1A\n\x00\x00\x00\x0D", 12));
  EXPECT_EQ(ExtractDocumentText(dir_.File("bild.png")).failure,
            DocumentFailure::kUnsupportedFormat);
  WriteZip(dir_.File("t.xlsx"), {{"xl/workbook.xml", "<workbook/>"}});
  EXPECT_EQ(ExtractDocumentText(dir_.File("t.xlsx")).failure, DocumentFailure::kUnsupportedFormat);
  WriteFile(dir_.File("t.xls"), CompoundFileBytes({{"Workbook", "x"}}));
  EXPECT_EQ(ExtractDocumentText(dir_.File("t.xls")).failure, DocumentFailure::kUnsupportedFormat);
}

TEST_F(DocumentTextTest, EncryptedDocumentsNeedTheirPassword) {
  // An encrypted XML package is a compound file of its own kind.
  WriteFile(dir_.File("geheim.docx"),
            CompoundFileBytes({{"EncryptionInfo", std::string(200, 'i')},
                               {"EncryptedPackage", std::string(5000, 'p')}}));
  const DocumentText text = ExtractDocumentText(dir_.File("geheim.docx"));
  EXPECT_EQ(text.failure, DocumentFailure::kPasswordProtected);
  EXPECT_FALSE(text.detail.empty());
  WriteFile(dir_.File("geheim.doc"), WordBinaryBytes("x\r", {.encrypted = true}));
  EXPECT_EQ(ExtractDocumentText(dir_.File("geheim.doc")).failure,
            DocumentFailure::kPasswordProtected);
}

}  // namespace
}  // namespace parlotto::office
