// "parlotto -pdf": the real program with the real converter, and with
// stand-in converters beside a copy of the program.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

#include "p2tdll/pdf_maker.h"
#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScratchDir;

constexpr int kRunLimitMs = 120000;

class PdfProgramTest : public ::testing::Test {
 protected:
  PdfProgramTest() {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
  }

  // Runs `program` in the scratch directory; false when it did not end.
  bool Run(const std::string& program, const QStringList& args) {
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
    env.insert("PARLOTTO_TIME_SCALE", "0.02");
    // A copy of the program finds its speech runtime in the build tree.
    env.insert("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(dir_.path().string()));
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QString::fromStdString(program), args);
    if (!process.waitForStarted() || !process.waitForFinished(kRunLimitMs)) return false;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    return true;
  }

  // A copy of the program in a directory of its own, with `converter`
  // beside it under the converter's name (none when empty).
  std::string ProgramWith(const std::string& converter) {
    const fs::path dir = dir_.path() / "programm";
    fs::create_directories(dir);
    fs::copy_file(PARLOTTO_BUILD_DIR "/parlotto", dir / "parlotto",
                  fs::copy_options::overwrite_existing);
    fs::remove(dir / "libp2tdll.so");
    if (!converter.empty()) fs::copy_file(converter, dir / "libp2tdll.so");
    return (dir / "parlotto").string();
  }

  // Everything spoken, as one line: how the reading cut it into pieces and
  // where it kept line ends is not the converter's business.
  std::string Spoken() {
    QString all;
    for (const std::string& piece : testing::SpokenTexts(dir_.File("trace.txt"))) {
      all += QString::fromStdString(piece).replace("\\n", " ").replace("\\r", " ") + ' ';
    }
    return all.simplified().toStdString();
  }

  std::string Dialogs() { return ReadFile(dir_.File("dialogs.txt")); }
  std::string Log() { return ReadFile(dir_.File("vocatodebug.log")); }

  ScratchDir dir_;
};

TEST_F(PdfProgramTest, ThePdfIsReadAloudColumnByColumn) {
  {
    testing::PdfMaker pdf(dir_.File("zeitung.pdf"));
    pdf.Lines(50, 120,
              {"Die linke Spalte erzählt", "von der Nordsee und", "dem Watt, das bei Ebbe",
               "trocken fällt. Der Bericht"});
    pdf.Lines(315, 120,
              {"geht rechts weiter und", "endet mit einem Gruß", "an alle Leser der", "Zeitung."});
  }
  ASSERT_TRUE(Run(PARLOTTO_BUILD_DIR "/parlotto", {"-pdf", "zeitung.pdf"}));
  EXPECT_EQ(Spoken(),
            "Die linke Spalte erzählt von der Nordsee und dem Watt, das bei Ebbe trocken fällt. "
            "Der Bericht geht rechts weiter und endet mit einem Gruß an alle Leser der Zeitung.");
  EXPECT_EQ(Dialogs(), "");
}

TEST_F(PdfProgramTest, ADamagedPdfIsReportedAndNothingIsRead) {
  testing::WriteFile(dir_.File("kaputt.pdf"), "%PDF-1.4\nkaputt\n");
  ASSERT_TRUE(Run(PARLOTTO_BUILD_DIR "/parlotto", {"-pdf", "kaputt.pdf"}));
  EXPECT_EQ(Dialogs(), "Parlotto\tBeim konvertieren der PDF-Datei ist en Fehler aufgeteten!\n");
  EXPECT_EQ(Spoken(), "");
}

TEST_F(PdfProgramTest, WithoutAConverterTheProgramEndsQuietly) {
  testing::WriteFile(dir_.File("brief.pdf"), "%PDF-1.4\n");
  ASSERT_TRUE(Run(ProgramWith(""), {"-pdf", "brief.pdf"}));
  EXPECT_EQ(Dialogs(), "");
  EXPECT_EQ(Spoken(), "");
}

TEST_F(PdfProgramTest, TheConvertersResultsAndItsCrashThroughTheWholeProgram) {
  const std::string program = ProgramWith(PARLOTTO_BUILD_DIR "/tests/fakes/libp2tdll.so");
  struct Case {
    const char* pdf;
    const char* dialogs;
  };
  const Case cases[] = {
      {"result:-1", "Parlotto\tCan't open input pdf file !\n"},
      {"result:-2", "Parlotto\tDie Datei wurde nicht gefunden!\n"},
      {"result:1", ""},
      {"crash", "Parlotto\tBeim konvertieren der PDF-Datei ist en Fehler aufgeteten!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pdf);
    testing::WriteFile(dir_.File(c.pdf), "%PDF-1.4\n");
    testing::WriteFile(dir_.File("dialogs.txt"), "");
    ASSERT_TRUE(Run(program, {"-pdf", c.pdf}));
    EXPECT_EQ(Dialogs(), c.dialogs);
    EXPECT_EQ(Spoken(), "");
  }
  EXPECT_NE(Log().find("PDF converter killed by signal 6: crash"), std::string::npos) << Log();

  const std::string no_export =
      ProgramWith(PARLOTTO_BUILD_DIR "/tests/fakes/no_export/libp2tdll.so");
  testing::WriteFile(dir_.File("dialogs.txt"), "");
  ASSERT_TRUE(Run(no_export, {"-pdf", "crash"}));
  EXPECT_EQ(Dialogs(), "Parlotto\tCan't locate the method ParsePDF\n");
}

}  // namespace
}  // namespace parlotto
