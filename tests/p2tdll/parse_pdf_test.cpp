// The converter library as the program uses it: loaded at run time, given a
// PDF made here and a file name, compared with the text a listener needs.
#include "contracts/pdf_converter/parse_pdf.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "p2tdll/pdf_maker.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::PdfMaker;
using testing::ReadFile;
using testing::ScratchDir;
using namespace pdf_converter;

class ParsePdfTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = dlopen(PARLOTTO_BUILD_DIR "/libp2tdll.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    parse_ = reinterpret_cast<ParsePdfFunction>(dlsym(library_, kExportName));
    ASSERT_NE(parse_, nullptr);
  }

  int Parse(const std::string& pdf) { return parse_(pdf.c_str(), out_.c_str()); }

  // The text of `pdf`, or the result when it is not 0.
  std::string TextOf(const std::string& pdf) {
    const int result = Parse(pdf);
    return result == kConverted ? ReadFile(out_) : "result " + std::to_string(result);
  }

  ScratchDir dir_;
  std::string pdf_ = dir_.File("dokument.pdf");
  std::string out_ = dir_.File("temp.txt");
  static void* library_;
  static ParsePdfFunction parse_;
};

void* ParsePdfTest::library_ = nullptr;
ParsePdfFunction ParsePdfTest::parse_ = nullptr;

TEST_F(ParsePdfTest, JoinsTheLinesOfAParagraphAndTheWordsCutAtTheirEnds) {
  {
    PdfMaker pdf(pdf_);
    pdf.SetSize(16);
    pdf.Text(72, 80, "Die Sprachausgabe");
    pdf.SetSize(11);
    double y = pdf.Lines(
        72, 110,
        {"Parlotto liest Texte vor, die aus vielen Quellen kommen. Die Sprach-",
         "ausgabe beginnt nach einer Sekunde und endet von selbst, wenn alles", "gesagt ist."});
    pdf.Lines(72, y + 14,
              {"Im Sommer fahren viele Urlauber mit dem Zug oder dem Auto an die Nord-",
               "und Ostsee, wo die Größe der Strände überrascht und die Äpfel süß sind."});
  }
  EXPECT_EQ(TextOf(pdf_),
            "Die Sprachausgabe\n\n"
            "Parlotto liest Texte vor, die aus vielen Quellen kommen. Die Sprachausgabe beginnt "
            "nach einer Sekunde und endet von selbst, wenn alles gesagt ist.\n\n"
            "Im Sommer fahren viele Urlauber mit dem Zug oder dem Auto an die Nord- und Ostsee, "
            "wo die Größe der Strände überrascht und die Äpfel süß sind.\n");
}

TEST_F(ParsePdfTest, ReadsTwoColumnsOneAfterTheOther) {
  {
    PdfMaker pdf(pdf_);
    pdf.SetSize(16);
    pdf.Text(150, 70, "Zeitung für Küste und Land");
    pdf.SetSize(11);
    pdf.Lines(50, 120,
              {"Die linke Spalte beginnt hier", "und erzählt von einem Hafen,",
               "in dem die Schiffe anlegen", "und ihre Ladung löschen. Der",
               "Bericht läuft weiter in der"});
    pdf.Lines(315, 120,
              {"rechten Spalte und endet dort", "mit einem Gruß an alle Leser,",
               "die bis zum Schluss gelesen", "haben und nun müde sind."});
  }
  EXPECT_EQ(TextOf(pdf_),
            "Zeitung für Küste und Land\n\n"
            "Die linke Spalte beginnt hier und erzählt von einem Hafen, in dem die Schiffe "
            "anlegen und ihre Ladung löschen. Der Bericht läuft weiter in der rechten Spalte und "
            "endet dort mit einem Gruß an alle Leser, die bis zum Schluss gelesen haben und nun "
            "müde sind.\n");
}

TEST_F(ParsePdfTest, LeavesOutRunningHeadersFootersAndPageNumbers) {
  {
    PdfMaker pdf(pdf_);
    const QStringList bodies[] = {
        {"Auf der ersten Seite beginnt ein Satz, der nicht auf dieser Seite",
         "zu Ende geht, sondern auf der nächsten Seite seinen Weg fortsetzt"},
        {"und erst hier oben mit einem Punkt schließt."},
        {"Die dritte Seite hat einen eigenen Absatz."},
        {"Die vierte Seite auch."}};
    for (int page = 0; page < 4; ++page) {
      if (page > 0) pdf.NewPage();
      pdf.SetSize(9);
      pdf.Text(72, 40, "Handbuch der Sprachausgabe");
      pdf.Text(450, 40, QString::number(page + 1));
      pdf.Text(250, 810, QStringLiteral("Seite %1 von 4").arg(page + 1));
      pdf.SetSize(11);
      pdf.Lines(72, 150, bodies[page]);
    }
  }
  EXPECT_EQ(TextOf(pdf_),
            "Auf der ersten Seite beginnt ein Satz, der nicht auf dieser Seite zu Ende geht, "
            "sondern auf der nächsten Seite seinen Weg fortsetzt und erst hier oben mit einem "
            "Punkt schließt.\n\n"
            "Die dritte Seite hat einen eigenen Absatz.\n\n"
            "Die vierte Seite auch.\n");
}

TEST_F(ParsePdfTest, APdfWithoutTextGivesAnEmptyFile) {
  {
    PdfMaker pdf(pdf_);
    pdf.Picture();
    pdf.NewPage();
    pdf.Picture();
  }
  testing::WriteFile(out_, "alter Inhalt");
  EXPECT_EQ(TextOf(pdf_), "");
}

TEST_F(ParsePdfTest, FilesThatAreNoReadablePdfGiveTheirResults) {
  EXPECT_EQ(Parse(dir_.File("fehlt.pdf")), kNotFound);
  EXPECT_EQ(Parse(""), kNotFound);
  EXPECT_EQ(parse_(nullptr, out_.c_str()), kNotFound);
  EXPECT_EQ(Parse(dir_.path().string()), kCannotOpen);

  testing::WriteFile(pdf_, "");
  EXPECT_EQ(Parse(pdf_), kConversionFailed);
  testing::WriteFile(pdf_, "%PDF-1.4\nDas ist kein PDF, nur Text mit einem Kopf.\n");
  EXPECT_EQ(Parse(pdf_), kConversionFailed);

  { PdfMaker(pdf_).Text(72, 100, "Gut."); }
  EXPECT_EQ(parse_(pdf_.c_str(), dir_.File("kein/ordner/temp.txt").c_str()), kConversionFailed);
  EXPECT_EQ(parse_(pdf_.c_str(), nullptr), kConversionFailed);
  if (geteuid() != 0) {  // root reads every file
    chmod(pdf_.c_str(), 0);
    EXPECT_EQ(Parse(pdf_), kCannotOpen);
  }
}

TEST_F(ParsePdfTest, AnEncryptedPdfOpensOnlyWithoutAUserPassword) {
  const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
  if (gs.isEmpty()) GTEST_SKIP() << "gs (ghostscript) is not installed";
  const std::string plain = dir_.File("offen.pdf");
  { PdfMaker(plain).Text(72, 100, "Geheime Nachricht."); }
  auto encrypt = [&](const std::string& target, const char* user) {
    const std::string command = gs.toStdString() + " -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite" +
                                " -sOwnerPassword=eigner -sUserPassword=" + user +
                                " -sOutputFile='" + target + "' '" + plain + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  };
  ASSERT_TRUE(encrypt(pdf_, "leser"));
  EXPECT_EQ(Parse(pdf_), kCannotOpen);
  // Only an owner password: anyone may read it.
  const std::string restricted = dir_.File("nur-eigner.pdf");
  ASSERT_TRUE(encrypt(restricted, "''"));
  EXPECT_EQ(TextOf(restricted), "Geheime Nachricht.\n");
}

TEST(P2tLibrary, ExportsParsePdfAndNothingOfItsInnerWorkings) {
  if (QStandardPaths::findExecutable(QStringLiteral("nm")).isEmpty()) GTEST_SKIP() << "no nm";
  std::FILE* nm = popen("nm -D --defined-only " PARLOTTO_BUILD_DIR "/libp2tdll.so", "r");
  ASSERT_NE(nm, nullptr);
  std::string symbols;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, nm) != nullptr) symbols += buffer;
  ASSERT_EQ(pclose(nm), 0);
  EXPECT_NE(symbols.find(" T ParsePDF\n"), std::string::npos) << symbols;
  EXPECT_EQ(symbols.find("parlotto"), std::string::npos) << symbols;
}

}  // namespace
}  // namespace parlotto
