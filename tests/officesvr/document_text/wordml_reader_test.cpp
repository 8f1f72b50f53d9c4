// Word XML packages written here from small pieces of markup, as Word
// writes them: the text comes out in Range.Text's conventions, with what
// Word shows and nothing of what it hides.
#include "officesvr/document_text/wordml_reader.h"

#include <gtest/gtest.h>

#include "officesvr/document_text/package_text.h"
#include "support/scratch_dir.h"
#include "support/zip_writer.h"

namespace parlotto::office {
namespace {

using parlotto::testing::ScratchDir;
using parlotto::testing::WriteZip;
using parlotto::testing::ZipMember;

const std::string kNamespaces =
    R"( xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main")"
    R"( xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")"
    R"( xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape")"
    R"( xmlns:v="urn:schemas-microsoft-com:vml")";

std::string Document(const std::string& body) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><w:document)" + kNamespaces +
         "><w:body>" + body + "<w:sectPr><w:pgSz w:w=\"11906\"/></w:sectPr></w:body></w:document>";
}

std::string TextRun(const std::string& text) { return "<w:r><w:t>" + text + "</w:t></w:r>"; }
std::string Paragraph(const std::string& text) { return "<w:p>" + TextRun(text) + "</w:p>"; }

DocumentText Read(const std::string& body, std::vector<ZipMember> parts = {}) {
  const ScratchDir dir;
  const std::string file = dir.File("d.docx");
  parts.insert(parts.begin(), {"word/document.xml", Document(body)});
  WriteZip(file, parts);
  return PackageFileToText(file);
}

std::string Text(const std::string& body, std::vector<ZipMember> parts = {}) {
  const DocumentText text = Read(body, std::move(parts));
  EXPECT_EQ(text.failure, DocumentFailure::kNone) << text.detail;
  return text.text;
}

TEST(WordMlReaderTest, ParagraphsRunsTabsAndBreaksFollowWordsConventions) {
  EXPECT_EQ(
      Text(R"(<w:p><w:pPr><w:tabs><w:tab w:val="left" w:pos="720"/></w:tabs>)"
           R"(<w:rPr><w:b/></w:rPr></w:pPr>)"
           R"(<w:r><w:rPr><w:b/></w:rPr><w:t>Grüße</w:t></w:r>)"
           R"(<w:r><w:tab/><w:t xml:space="preserve"> aus </w:t><w:br/><w:t>Köln</w:t>)"
           R"(<w:br w:type="page"/></w:r></w:p><w:p/>)"
           R"(<w:p><w:r><w:t>A</w:t><w:cr/><w:t>B</w:t><w:ptab w:alignment="right"/></w:r></w:p>)"),
      "Grüße\t aus \vKöln\f\r\rA\vB\t\r");
}

TEST(WordMlReaderTest, ListsHyperlinksAndContentControlsGiveTheirTextOnly) {
  EXPECT_EQ(
      Text(R"(<w:p><w:pPr><w:numPr><w:ilvl w:val="0"/><w:numId w:val="1"/></w:numPr></w:pPr>)" +
           TextRun("Erster Punkt") + "</w:p>" + R"(<w:p><w:hyperlink w:anchor="x">)" +
           TextRun("Verweis") + "</w:hyperlink></w:p>" +
           R"(<w:sdt><w:sdtPr><w:placeholder><w:docPart w:val="x"/></w:placeholder>)"
           R"(<w:comboBox><w:listItem w:displayText="Wahl" w:value="1"/></w:comboBox></w:sdtPr>)"
           "<w:sdtContent>" +
           Paragraph("Gewählt") + "</w:sdtContent></w:sdt>"),
      "Erster Punkt\rVerweis\rGewählt\r");
}

TEST(WordMlReaderTest, TableCellsAndRowsEndWithCrBelAndTablesNestInCells) {
  const std::string inner = "<w:tbl><w:tr><w:tc>" + Paragraph("innen") + "</w:tc></w:tr></w:tbl>";
  EXPECT_EQ(Text("<w:tbl><w:tblPr/><w:tblGrid><w:gridCol w:w=\"1\"/></w:tblGrid>"
                 "<w:tr><w:trPr/><w:tc><w:tcPr/>" +
                 Paragraph("a") + Paragraph("b") +
                 "</w:tc><w:tc><w:p/></w:tc></w:tr>"
                 "<w:tr><w:tc>" +
                 inner + "<w:p/></w:tc><w:tc>" + inner +
                 "</w:tc></w:tr>"
                 "</w:tbl>" +
                 Paragraph("danach")),
            "a\rb\r\a\r\a\r\a"
            "innen\r\a\r\a\r\a"
            "innen\r\a\r\a\r\a\r\a"
            "danach\r");
}

TEST(WordMlReaderTest, FieldsGiveTheirResultsNotTheirCodes) {
  EXPECT_EQ(
      Text(
          R"(<w:p><w:fldSimple w:instr=" PAGE ">)" + TextRun("3") + "</w:fldSimple>" +
          R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r>)"
          R"(<w:r><w:instrText xml:space="preserve"> IF </w:instrText></w:r>)"
          // A field nested in the code is code too, result and all.
          R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>DATE</w:instrText></w:r>)"
          R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r>)" +
          TextRun("1.1.2000") + R"(<w:r><w:fldChar w:fldCharType="end"/></w:r>)" + TextRun("Code") +
          R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r>)" + TextRun(" Ergebnis") +
          R"(<w:r><w:tab/><w:fldChar w:fldCharType="end"/></w:r>)" +
          // No result at all: nothing of it is read.
          R"(<w:r><w:fldChar w:fldCharType="begin"/><w:instrText>TOC</w:instrText>)"
          R"(<w:fldChar w:fldCharType="end"/></w:r>)" +
          TextRun(" Ende") + "</w:p>"),
      "3 Ergebnis\t Ende\r");
}

TEST(WordMlReaderTest, TrackedChangesReadAsAccepted) {
  EXPECT_EQ(Text(R"(<w:p><w:ins w:id="1" w:author="A">)" + TextRun("neu ") + "</w:ins>" +
                 R"(<w:del w:id="2" w:author="A"><w:r><w:delText>alt </w:delText></w:r></w:del>)" +
                 R"(<w:moveFrom w:id="3"><w:r><w:t>weg </w:t></w:r></w:moveFrom>)" +
                 R"(<w:moveTo w:id="4">)" + TextRun("hier") + "</w:moveTo></w:p>" +
                 // A deleted paragraph mark joins the paragraph to the next.
                 R"(<w:p><w:pPr><w:rPr><w:del w:id="5" w:author="A"/></w:rPr></w:pPr>)" +
                 TextRun("eins ") + "</w:p>" + Paragraph("zwei") +
                 R"(<w:tbl><w:tr><w:trPr><w:del w:id="6" w:author="A"/></w:trPr><w:tc>)" +
                 Paragraph("gelöscht") + "</w:tc></w:tr><w:tr><w:tc>" + Paragraph("bleibt") +
                 "</w:tc></w:tr></w:tbl>"),
            "neu hier\reins zwei\rbleibt\r\a\r\a");
}

TEST(WordMlReaderTest, TextBoxesFollowTheParagraphThatAnchorsThemOnce) {
  const std::string box = "<w:txbxContent>" + Paragraph("Kasten") + "</w:txbxContent>";
  EXPECT_EQ(Text("<w:p>" + TextRun("vorher ") +
                 "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wps:wsp>"
                 "<wps:txbx>" +
                 box +
                 "</wps:txbx></wps:wsp></w:drawing></mc:Choice>"
                 "<mc:Fallback><w:pict><v:shape><v:textbox>" +
                 box + "</v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>" +
                 TextRun("nachher") + "</w:p>" + Paragraph("weiter")),
            "vorher nachher\rKasten\rweiter\r");
  // In a table cell the box stays in the cell.
  EXPECT_EQ(Text("<w:tbl><w:tr><w:tc><w:p>" + TextRun("Zelle") + "<w:r><w:pict><v:textbox>" + box +
                 "</v:textbox></w:pict></w:r></w:p></w:tc></w:tr></w:tbl>"),
            "Zelle\rKasten\r\a\r\a");
}

TEST(WordMlReaderTest, FootnotesAndEndnotesFollowTheBodyNumberedInTheOrderOfReference) {
  const std::string notes_head = "<?xml version=\"1.0\"?><w:footnotes" + kNamespaces + ">";
  const std::string footnotes =
      notes_head +
      R"(<w:footnote w:type="separator" w:id="-1"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>)"
      R"(<w:footnote w:type="continuationSeparator" w:id="0"><w:p><w:r><w:continuationSeparator/>)"
      R"(</w:r></w:p></w:footnote>)"
      R"(<w:footnote w:id="1"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t xml:space="preserve"> Zweite</w:t>)"
      R"(</w:r></w:p></w:footnote>)"
      R"(<w:footnote w:id="2"><w:p><w:r><w:footnoteRef/></w:r>)" +
      TextRun(" Erste") + "</w:p>" + Paragraph("mehr") +
      "</w:footnote>"
      R"(<w:footnote w:id="3"><w:p>)" +
      TextRun("nie erwähnt") + "</w:p></w:footnote></w:footnotes>";
  const std::string endnotes = "<?xml version=\"1.0\"?><w:endnotes" + kNamespaces +
                               R"(><w:endnote w:id="1"><w:p><w:r><w:endnoteRef/></w:r>)" +
                               TextRun(" Schluss") + "</w:p></w:endnote></w:endnotes>";
  EXPECT_EQ(Text("<w:p>" + TextRun("Text") + R"(<w:r><w:footnoteReference w:id="2"/></w:r>)" +
                     TextRun(" mehr") + R"(<w:r><w:footnoteReference w:id="1"/></w:r>)" +
                     R"(<w:r><w:endnoteReference w:id="1"/></w:r></w:p>)",
                 {{"word/footnotes.xml", footnotes}, {"word/endnotes.xml", endnotes}}),
            "Text mehr\r1 Erste\rmehr\r2 Zweite\r1 Schluss\r");
}

TEST(WordMlReaderTest, SymbolsAndHyphensAreReadAsTheCharactersTheyShow) {
  EXPECT_EQ(
      Text(R"(<w:p><w:r><w:t>E</w:t><w:noBreakHyphen/><w:t>Mail</w:t><w:softHyphen/>)"
           R"(<w:sym w:font="Symbol" w:char="20AC"/><w:sym w:font="Wingdings" w:char="F0E0"/>)"
           R"(<w:sym w:font="x" w:char="zz"/></w:r></w:p>)"),
      "E\u2011Mail€\r");
}

TEST(WordMlReaderTest, StrictNamespacesReadLikeTransitionalOnes) {
  const std::string strict =
      R"(<w:document xmlns:w="http://purl.oclc.org/ooxml/wordprocessingml/main"><w:body>)" +
      Paragraph("streng") + "</w:body></w:document>";
  const ScratchDir dir;
  WriteZip(dir.File("s.docx"), {{"word/document.xml", strict}});
  EXPECT_EQ(PackageFileToText(dir.File("s.docx")).text, "streng\r");
}

// `content` in the one cell of tables nested `depth` deep.
std::string InTables(const std::string& content, int depth) {
  std::string open;
  std::string close;
  for (int i = 0; i < depth; ++i) {
    open += "<w:tbl><w:tr><w:tc>";
    close += "</w:tc></w:tr></w:tbl>";
  }
  return open + content + close;
}

TEST(WordMlReaderTest, TablesNestedBeyondTheLimitAreLeftOutAndDeeperMarkupFails) {
  const std::string nested = InTables(Paragraph("tief"), 40);
  DocumentLimits limits;
  limits.max_table_depth = 3;
  const ScratchDir dir;
  WriteZip(dir.File("t.docx"), {{"word/document.xml", Document(nested + Paragraph("oben"))}});
  const DocumentText shallow = PackageFileToText(dir.File("t.docx"), limits);
  EXPECT_EQ(shallow.failure, DocumentFailure::kNone) << shallow.detail;
  EXPECT_EQ(shallow.text, "\r\a\r\a\r\a\r\a\r\a\r\aoben\r");

  // Markup deeper than the parser's limit fails instead of recursing.
  WriteZip(dir.File("u.docx"), {{"word/document.xml", Document(InTables(nested, 400))}});
  EXPECT_EQ(PackageFileToText(dir.File("u.docx")).failure, DocumentFailure::kDamaged);
}

TEST(WordMlReaderTest, TextBeyondTheLimitIsTooLarge) {
  DocumentLimits limits;
  limits.max_text = 1000;
  const ScratchDir dir;
  std::string body;
  for (int i = 0; i < 100; ++i) body += Paragraph("zwanzig Zeichen ....");
  WriteZip(dir.File("l.docx"), {{"word/document.xml", Document(body)}});
  EXPECT_EQ(PackageFileToText(dir.File("l.docx"), limits).failure, DocumentFailure::kTooLarge);
  limits.max_text = 2100;
  EXPECT_EQ(PackageFileToText(dir.File("l.docx"), limits).text.size(), 2100u);
}

TEST(WordMlReaderTest, AMillionParagraphsAreReadInOnePass) {
  std::string body;
  body.reserve(std::size_t{40} << 20);
  for (int i = 0; i < 1'000'000; ++i)
    body += "<w:p><w:r><w:t>" + std::to_string(i) + "</w:t></w:r></w:p>";
  const ScratchDir dir;
  WriteZip(dir.File("m.docx"), {{"word/document.xml", Document(body)}});
  const DocumentText text = PackageFileToText(dir.File("m.docx"));
  ASSERT_EQ(text.failure, DocumentFailure::kNone) << text.detail;
  EXPECT_EQ(std::count(text.text.begin(), text.text.end(), '\r'), 1'000'000);
  EXPECT_TRUE(text.text.ends_with("\r999999\r"));
}

}  // namespace
}  // namespace parlotto::office
