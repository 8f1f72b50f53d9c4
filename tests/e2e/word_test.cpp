// "parlotto -doc": the real program and the real office server on a bus of
// the test's own, with documents made in the test.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <filesystem>
#include <string>
#include <vector>

#include "support/compound_file_writer.h"
#include "support/log_lines.h"
#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/zip_writer.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WordBinaryBytes;
using testing::WriteFile;
using testing::WriteZip;

constexpr int kRunLimitMs = 120000;
const QString kOfficeBusName =
    QStringLiteral("org.parlotto.Com.C_000209FF_0000_0000_C000_000000000046");

constexpr const char* kMessage =
    "Fehler\tEs sollte ein Word-Dokument vorgelesen werden,\\n"
    "Word ist aber scheinbar nicht installiert.\\n"
    " Oder es ist ein anderer Fehler bei der Automatisierung von Word aufgetreten!\n";

class WordProgramTest : public ::testing::Test {
 protected:
  WordProgramTest() { WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive); }

  // Runs `parlotto -doc name` from the scratch directory; its run time in
  // milliseconds, or -1 when it did not end.
  qint64 ReadDocument(const std::string& name,
                      const std::string& system_dir = PARLOTTO_BUILD_DIR "/system") {
    fs::remove(dir_.File("trace.txt"));
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
    env.insert("PARLOTTO_SYSTEM_DIR", QString::fromStdString(system_dir));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(dir_.path().string()));
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"),
                  {"-doc", QString::fromStdString(name)});
    if (!process.waitForStarted() || !process.waitForFinished(kRunLimitMs)) return -1;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    return clock.elapsed();
  }

  // Everything spoken, as one line.
  std::string Spoken() {
    QString all;
    for (const std::string& piece : testing::SpokenTexts(dir_.File("trace.txt"))) {
      all += QString::fromStdString(piece).replace("\\n", " ").replace("\\r", " ") + ' ';
    }
    return all.simplified().toStdString();
  }

  std::string Dialogs() { return ReadFile(dir_.File("dialogs.txt")); }
  std::string Log() { return testing::Joined(testing::LogLines(dir_)); }

  // Whether the office server has left the bus within `ms`.
  static bool ServerGoneWithin(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (QDBusConnection::sessionBus().interface()->isServiceRegistered(kOfficeBusName)) {
      if (clock.elapsed() > ms) return false;
      QThread::msleep(50);
    }
    return true;
  }

  ScratchDir dir_;
};

TEST_F(WordProgramTest, APlainTextDocumentIsReadAndTheServerEndsByItselfAfterwards) {
  WriteFile(dir_.File("notiz.txt"), "Einkaufen gehen.\nBrief an Oma schreiben.\n");
  ASSERT_GE(ReadDocument("notiz.txt"), 0);
  EXPECT_EQ(Spoken(), "Einkaufen gehen. Brief an Oma schreiben.");
  EXPECT_EQ(Dialogs(), "");
  EXPECT_EQ(Log(), "");
  // Nobody asked it to quit; it leaves once the program let go.
  EXPECT_TRUE(ServerGoneWithin(10000));
}

TEST_F(WordProgramTest, EveryFormatIsReadWithItsUmlautsTablesAndNotes) {
  WriteZip(
      dir_.File("bericht.docx"),
      {{"word/document.xml",
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
        "<w:body><w:p><w:r><w:t>Grüße aus Köln.</w:t></w:r>"
        R"(<w:r><w:footnoteReference w:id="1"/></w:r></w:p>)"
        "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>Zelle eins.</w:t></w:r></w:p></w:tc>"
        "<w:tc><w:p><w:r><w:t>Zelle zwei.</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
        "</w:body></w:document>"},
       {"word/footnotes.xml",
        R"(<w:footnotes xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
        R"(<w:footnote w:id="1"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t xml:space="preserve"> )"
        "Eine Fußnote.</w:t></w:r></w:p></w:footnote>"
        "</w:footnotes>"}});
  ASSERT_GE(ReadDocument("bericht.docx"), 0);
  // Cell ends (CR BEL) are no words.
  EXPECT_EQ(Spoken(), "Grüße aus Köln. Zelle eins. \aZelle zwei. \a \a1 Eine Fußnote.");
  EXPECT_EQ(Dialogs(), "");

  WriteZip(
      dir_.File("brief.odt"),
      {{"mimetype", "application/vnd.oasis.opendocument.text", true},
       {"content.xml",
        R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
        R"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body>)"
        "<office:text><text:h>Überschrift</text:h><text:p>Straße und Brücke.</text:p>"
        "</office:text></office:body></office:document-content>"}});
  ASSERT_GE(ReadDocument("brief.odt"), 0);
  EXPECT_EQ(Spoken(), "Überschrift Straße und Brücke.");

  WriteFile(dir_.File("alt.doc"), WordBinaryBytes("Ein altes Dokument über Äpfel.\r"));
  ASSERT_GE(ReadDocument("alt.doc"), 0);
  EXPECT_EQ(Spoken(), "Ein altes Dokument über Äpfel.");

  WriteFile(dir_.File("reich.rtf"), "{\\rtf1\\ansi Gr\\'fc\\'dfe\\par aus Bonn.}");
  ASSERT_GE(ReadDocument("reich.rtf"), 0);
  EXPECT_EQ(Spoken(), "Grüße aus Bonn.");
  EXPECT_EQ(Dialogs(), "");
  EXPECT_EQ(Log(), "");
}

TEST_F(WordProgramTest, AnEncryptedOrDamagedDocumentShowsTheMessageOnceWithItsReasonInTheLog) {
  WriteFile(dir_.File("geheim.docx"),
            testing::CompoundFileBytes({{"EncryptionInfo", std::string(64, 'x')},
                                        {"EncryptedPackage", std::string(4096, 'y')}}));
  ASSERT_GE(ReadDocument("geheim.docx"), 0);
  EXPECT_EQ(Dialogs(), kMessage);
  EXPECT_NE(Log().find("Kennwort"), std::string::npos) << Log();
  EXPECT_EQ(Spoken(), "");

  fs::remove(dir_.File("dialogs.txt"));
  WriteFile(dir_.File("kaputt.docx"), "Das ist kein Zip.");
  ASSERT_GE(ReadDocument("kaputt.docx"), 0);
  EXPECT_EQ(Dialogs(), kMessage);
  EXPECT_NE(Log().find("beschädigt"), std::string::npos) << Log();
  EXPECT_EQ(Spoken(), "");
}

TEST_F(WordProgramTest, WithoutAnOfficeServerTheMessageIsShownOnceAndTheProgramEnds) {
  // A system directory that registers no classes at all.
  const std::string system_dir = dir_.File("system");
  fs::create_directories(system_dir);
  WriteFile(system_dir + "/classes.reg", "Windows Registry Editor Version 5.00\n");
  WriteFile(dir_.File("bericht.docx"), "PK");
  const qint64 ms = ReadDocument("bericht.docx", system_dir);
  ASSERT_GE(ms, 0);
  EXPECT_EQ(Dialogs(), kMessage);
  EXPECT_EQ(Log().rfind("'CoCreateInstance(", 0), 0u) << Log();
  EXPECT_EQ(Spoken(), "");
  // The start timer and the end timer's waits: about 1 + 2 + 5 s, scaled.
  EXPECT_LT(ms, 20000);
}

}  // namespace
}  // namespace parlotto
