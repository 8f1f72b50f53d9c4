// OpenDocument texts written here from pieces of content.xml, as
// LibreOffice writes them: the text in Word's conventions, notes after the
// body, and nothing of change logs, comments or list labels.
#include "officesvr/document_text/odf_reader.h"

#include <gtest/gtest.h>

#include "officesvr/document_text/package_text.h"
#include "support/scratch_dir.h"
#include "support/zip_writer.h"

namespace parlotto::office {
namespace {

using parlotto::testing::ScratchDir;
using parlotto::testing::WriteZip;

std::string Content(const std::string& text) {
  return R"(<?xml version="1.0" encoding="UTF-8"?><office:document-content)"
         R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
         R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")"
         R"( xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0")"
         R"( xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0")"
         R"( xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")"
         R"( xmlns:dc="http://purl.org/dc/elements/1.1/">)"
         R"(<office:automatic-styles/><office:body><office:text>)"
         R"(<text:sequence-decls><text:sequence-decl text:name="Table"/></text:sequence-decls>)" +
         text + "</office:text></office:body></office:document-content>";
}

DocumentText Read(const std::string& text,
                  const std::string& mimetype = "application/vnd.oasis.opendocument.text") {
  const ScratchDir dir;
  WriteZip(dir.File("d.odt"), {{"mimetype", mimetype, true}, {"content.xml", Content(text)}});
  return PackageFileToText(dir.File("d.odt"));
}

std::string Text(const std::string& text) {
  const DocumentText read = Read(text);
  EXPECT_EQ(read.failure, DocumentFailure::kNone) << read.detail;
  return read.text;
}

TEST(OdfReaderTest, HeadingsParagraphsSpacesTabsAndBreaks) {
  EXPECT_EQ(Text(R"(<text:h text:outline-level="1">Überschrift</text:h>)"
                 "<text:p>  Grüße \n  aus<text:s text:c=\"3\"/>Köln<text:tab/>"
                 R"(<text:span text:style-name="T1">fett</text:span> <text:s/>)"
                 "<text:line-break/>neu<text:soft-page-break/>e Zeile  </text:p><text:p/>"),
            "Überschrift\rGrüße aus   Köln\tfett  \vneue Zeile\r\r");
}

TEST(OdfReaderTest, ASpaceCountBeyondReasonGivesABoundedRun) {
  EXPECT_EQ(Text(R"(<text:p>a<text:s text:c="5000"/>b<text:s text:c="99999999999999"/>c)"
                 R"(<text:s text:c="-3"/>d</text:p>)"),
            "a" + std::string(1000, ' ') + "b c d\r");
}

TEST(OdfReaderTest, ListsGiveTheirTextWithoutLabels) {
  EXPECT_EQ(Text("<text:list><text:list-item><text:number>1.</text:number><text:p>eins</text:p>"
                 "<text:list><text:list-item><text:p>unten</text:p></text:list-item></text:list>"
                 "</text:list-item><text:list-header><text:p>Kopf</text:p></text:list-header>"
                 "</text:list><text:section><text:p>Abschnitt</text:p></text:section>"),
            "eins\runten\rKopf\rAbschnitt\r");
}

TEST(OdfReaderTest, TablesEndCellsAndRowsWithCrBelAndCoveredCellsAreLeftOut) {
  EXPECT_EQ(Text("<table:table><table:table-column table:number-columns-repeated=\"2\"/>"
                 "<table:table-header-rows><table:table-row><table:table-cell "
                 "table:number-columns-spanned=\"2\"><text:p>Kopf</text:p></table:table-cell>"
                 "<table:covered-table-cell/></table:table-row></table:table-header-rows>"
                 "<table:table-row><table:table-cell><text:p>a</text:p><text:p>b</text:p>"
                 "</table:table-cell><table:table-cell/></table:table-row>"
                 "<table:table-row><table:table-cell><table:table><table:table-row>"
                 "<table:table-cell><text:p>innen</text:p></table:table-cell></table:table-row>"
                 "</table:table></table:table-cell><table:table-cell><text:p>c</text:p>"
                 "</table:table-cell></table:table-row></table:table><text:p>danach</text:p>"),
            "Kopf\r\a\r\a"
            "a\rb\r\a\r\a\r\a"
            "innen\r\a\r\a\r\ac\r\a\r\a"
            "danach\r");
}

TEST(OdfReaderTest, NotesFollowTheBodyLedByTheirCitation) {
  EXPECT_EQ(
      Text(R"(<text:p>Text <text:note text:id="n1" text:note-class="footnote">)"
           "<text:note-citation>1</text:note-citation><text:note-body><text:p>Fußnote</text:p>"
           "<text:p>zweiter Absatz</text:p></text:note-body></text:note> weiter"
           R"(<text:note text:id="n2" text:note-class="endnote"><text:note-citation>i)"
           "</text:note-citation><text:note-body><text:p>Endnote</text:p></text:note-body>"
           R"(</text:note></text:p><text:p>Zwei<text:note text:note-class="footnote">)"
           "<text:note-citation>2</text:note-citation><text:note-body><text:p>Noch eine"
           "</text:p></text:note-body></text:note></text:p>"),
      "Text weiter\rZwei\r1 Fußnote\rzweiter Absatz\r2 Noch eine\ri Endnote\r");
}

TEST(OdfReaderTest, TrackedChangesReadAsAcceptedAndCommentsAreLeftOut) {
  EXPECT_EQ(
      Text("<text:tracked-changes><text:changed-region text:id=\"c1\"><text:deletion>"
           "<office:change-info/><text:p>gelöscht</text:p></text:deletion>"
           "</text:changed-region></text:tracked-changes>"
           "<text:p>vor<text:change text:change-id=\"c1\"/>her "
           "<text:change-start text:change-id=\"c2\"/>neu<text:change-end text:change-id=\"c2\"/>"
           "<office:annotation><dc:creator>A</dc:creator><text:p>Kommentar</text:p>"
           "</office:annotation></text:p>"),
      "vorher neu\r");
}

TEST(OdfReaderTest, TextBoxesFollowTheParagraphThatAnchorsThem) {
  EXPECT_EQ(
      Text("<text:p>Anker<draw:frame text:anchor-type=\"paragraph\"><svg:title>Titel"
           "</svg:title><draw:text-box><text:p>im Kasten</text:p></draw:text-box></draw:frame>"
           "<draw:frame><draw:image><text:p>Bildtext</text:p></draw:image></draw:frame>"
           " Ende</text:p><text:p>weiter</text:p>"),
      "Anker Ende\rim Kasten\rweiter\r");
}

TEST(OdfReaderTest, TemplatesAreReadAndOtherPackagesAreNot) {
  EXPECT_EQ(
      Read("<text:p>Vorlage</text:p>", "application/vnd.oasis.opendocument.text-template").text,
      "Vorlage\r");
  EXPECT_EQ(Read("<text:p>x</text:p>", "application/vnd.oasis.opendocument.spreadsheet").failure,
            DocumentFailure::kUnsupportedFormat);
}

}  // namespace
}  // namespace parlotto::office
