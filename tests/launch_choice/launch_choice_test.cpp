// "Open with Parlotto": which switch a file or address gets.
#include "launch_choice/launch_choice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QUrl>
#include <ostream>
#include <string>

#include "support/scratch_dir.h"

// Readable failures: Qt's strings as text, not as bytes.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace parlotto {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

constexpr const char* kPdf =
    "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << >>\n%%EOF\n";
constexpr const char* kHtml =
    "<!DOCTYPE html>\n<html><head><title>Seite</title></head><body>Hallo</body></html>\n";
constexpr const char* kRtf = "{\\rtf1\\ansi Hallo Welt.}\n";
// A PNG's signature and the start of its header chunk.
constexpr char kPng[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR";

class LaunchChoiceTest : public ::testing::Test {
 protected:
  QString Make(const std::string& name, const std::string& contents) {
    WriteFile(dir_.File(name), contents);
    return QString::fromStdString(dir_.File(name));
  }

  ScratchDir dir_;
};

TEST_F(LaunchChoiceTest, EachReadableFileTypeGetsItsSwitchAndItsFullName) {
  struct Case {
    std::string name;
    std::string contents;
    const char* switch_name;
  };
  const Case cases[] = {
      {"Bericht.pdf", kPdf, "-pdf"},
      // No name to go by: the contents decide.
      {"Scan", kPdf, "-pdf"},
      {"Seite", kHtml, "-html"},
      {"Seite.html", kHtml, "-html"},
      {"Seite.htm", kHtml, "-html"},
      {"Seite.xhtml", "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"/>",
       "-html"},
      {"Brief.doc", "", "-doc"},
      {"Brief.docx", "PK\x03\x04", "-doc"},
      {"Vorlage.dotx", "PK\x03\x04", "-doc"},
      {"Brief.odt", "PK\x03\x04", "-doc"},
      // RTF and every kind of plain text go to the text-file source.
      {"Brief.rtf", kRtf, "-f"},
      {"Notiz.txt", "Liebe Oma,\nwie geht es dir?\n", "-f"},
      {"LIESMICH", "Dies ist nur Text.\n", "-f"},
      {"Tabelle.csv", "a;b\n1;2\n", "-f"},
      {"Brief: Oma.txt", "Hallo\n", "-f"},
      {"Mein \"bester\" Brief $HOME.txt", "Hallo\n", "-f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = Make(c.name, c.contents);
    const LaunchChoice choice = ChooseLaunch(file);
    EXPECT_EQ(choice.arguments, (QStringList{c.switch_name, file}));
    EXPECT_TRUE(choice.problem.isEmpty()) << choice.problem.toStdString();
  }
}

TEST_F(LaunchChoiceTest, TheSwitchFollowsTheMimeTypesTheDesktopEntryOffers) {
  struct Case {
    const char* mime;
    const char* switch_name;
  };
  const Case cases[] = {
      {"text/plain", "-f"},
      {"text/rtf", "-f"},
      {"application/rtf", "-f"},
      {"application/pdf", "-pdf"},
      {"application/msword", "-doc"},
      {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", "-doc"},
      {"application/vnd.oasis.opendocument.text", "-doc"},
      {"text/html", "-html"},
      {"image/png", ""},
      {"application/zip", ""},
      {"application/x-no-such-type", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mime);
    EXPECT_EQ(SwitchForMimeType(c.mime), QString(c.switch_name));
  }
}

TEST_F(LaunchChoiceTest, AddressesAndFileUrls) {
  EXPECT_EQ(ChooseLaunch("https://www.zentravol.example/a b?x=1").arguments,
            (QStringList{"-wget", "https://www.zentravol.example/a b?x=1"}));
  EXPECT_EQ(ChooseLaunch("http://example.org").arguments,
            (QStringList{"-wget", "http://example.org"}));
  // A file manager may hand over a file as a URL, with its blanks encoded.
  const QString pdf = Make("Brief an Oma.pdf", kPdf);
  EXPECT_EQ(ChooseLaunch(QUrl::fromLocalFile(pdf).toString(QUrl::FullyEncoded)).arguments,
            (QStringList{"-pdf", pdf}));
  for (const char* address : {"ftp://example.org/datei.txt", "mailto:oma@example.org"}) {
    SCOPED_TRACE(address);
    const LaunchChoice choice = ChooseLaunch(address);
    EXPECT_TRUE(choice.arguments.isEmpty());
    EXPECT_FALSE(choice.problem.isEmpty());
  }
}

TEST_F(LaunchChoiceTest, WhatCannotBeReadIsRefusedWithAReasonAndAMissingFileIsHandedOn) {
  // A FIFO would hold the look at its contents for ever.
  const std::string fifo = dir_.File("fifo.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const QString& target :
       {Make("Bild.png", std::string(kPng, sizeof kPng - 1)), QString::fromStdString(dir_.File("")),
        QString::fromStdString(fifo), QString()}) {
    SCOPED_TRACE(target.toStdString());
    const LaunchChoice choice = ChooseLaunch(target);
    EXPECT_TRUE(choice.arguments.isEmpty());
    EXPECT_FALSE(choice.problem.isEmpty());
  }
  // The program says itself that a document is missing, in its own words.
  const QString missing = QString::fromStdString(dir_.File("fehlt.pdf"));
  EXPECT_EQ(ChooseLaunch(missing).arguments, (QStringList{"-pdf", missing}));
  // A relative name becomes the full one, for it is started elsewhere.
  const QString relative = QDir::current().relativeFilePath(Make("relativ.txt", "x"));
  ASSERT_TRUE(QDir::isRelativePath(relative));
  EXPECT_EQ(ChooseLaunch(relative).arguments,
            (QStringList{"-f", QString::fromStdString(dir_.File("relativ.txt"))}));
}

}  // namespace
}  // namespace parlotto
