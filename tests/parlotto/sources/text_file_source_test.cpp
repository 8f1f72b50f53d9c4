// The text-file source: `parlotto -f` read to the end by the real program,
// with what it said taken from the speech trace; and the source inside a
// main window, for what only shows there (the file gone by the time the
// source runs, a second call during the reading).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <string>
#include <vector>

#include "parlotto/debug_log.h"
#include "parlotto/sources/source_fixture.h"
#include "parlotto/vocato_form.h"
#include "platform/loop/timer.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::SpokenTexts;
using testing::WriteFile;
using Texts = std::vector<std::string>;
using testing::Peer;

class ReadTextFileProgramTest : public ::testing::Test {
 protected:
  ReadTextFileProgramTest() {
    WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
  }

  // Runs `parlotto -f` on a file of these bytes to its end; what it said.
  Texts ReadAloud(const std::string& name, const std::string& bytes) {
    const std::string file = dir_.File(name);
    WriteFile(file, bytes);
    std::filesystem::remove(dir_.File("trace.txt"));
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
    env.insert("PARLOTTO_AUDIO", QString::fromStdString("wav:" + dir_.File("speech.wav")));
    env.insert("PARLOTTO_TIME_SCALE", "0.02");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"),
                  {"-f", QString::fromStdString(file)});
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
    return SpokenTexts(dir_.File("trace.txt"));
  }

  // The debug log without the idle hook's entries.
  Texts Log() { return testing::LogLines(dir_); }

  ScratchDir dir_;
};

TEST_F(ReadTextFileProgramTest, AnRtfFileIsReadWithoutItsMarkup) {
  EXPECT_EQ(
      ReadAloud("brief.rtf",
                "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}}"
                "{\\colortbl;\\red0\\green0\\blue0;}\\f0\\fs24 Sehr geehrte Frau M\\'fcller,"
                "\\par {\\b vielen} Dank f\\u252?r Ihren Brief.\\par{\\pict\\pngblip 89504e47}}"),
      Texts{"Sehr geehrte Frau Müller,\\nvielen Dank für Ihren Brief."});
  EXPECT_EQ(Log(), Texts{});
}

TEST_F(ReadTextFileProgramTest, PlainTextIsReadWithItsLineBreaksInEveryCharacterSet) {
  const std::string spoken = "Grüße aus Köln.\\nÄrger über Öl.";
  EXPECT_EQ(ReadAloud("utf8.txt", "Grüße aus Köln.\nÄrger über Öl."), Texts{spoken});
  EXPECT_EQ(ReadAloud("bom.txt", "\xEF\xBB\xBFGrüße aus Köln.\nÄrger über Öl."), Texts{spoken});
  EXPECT_EQ(ReadAloud("ansi.txt",
                      "Gr\xfc\xdf"
                      "e aus K\xf6ln.\r\n\xc4rger \xfc"
                      "ber \xd6l."),
            Texts{spoken});
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("Hallo.\r\nWelt.")) utf16 += std::string{c, '\0'};
  EXPECT_EQ(ReadAloud("utf16.txt", utf16), Texts{"Hallo.\\nWelt."});
}

TEST_F(ReadTextFileProgramTest, AnEmptyFileSaysNothing) {
  EXPECT_EQ(ReadAloud("leer.txt", ""), Texts{});
  EXPECT_EQ(Log(), Texts{});
}

TEST_F(ReadTextFileProgramTest, ABinaryFileIsLoggedAndNotRead) {
  EXPECT_EQ(ReadAloud("bild.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)),
            Texts{});
  EXPECT_EQ(Log(), Texts{"Das Laden des Streams ist mißlungen"});
}

// The source inside a main window that reads without the character.
using ReadTextFileTest = testing::SourceTest;

TEST_F(ReadTextFileTest, AFileGoneByTheTimeTheSourceRunsReadsNothing) {
  const std::string file = dir_.File("weg.txt");
  WriteFile(file, "Hallo");
  TVocatoForm form({"-f", file});
  Peer(form).Start().SetEnabled(false);
  std::filesystem::remove(file);
  Peer(form).text_to_read() = "";
  form.ReadTextFile(file);
  EXPECT_EQ(Spoken(), Texts{});
  EXPECT_EQ(ReadFile(dir_.File("vocatodebug.log")), "");
  form.Close();
}

TEST_F(ReadTextFileTest, ASecondCallDuringTheReadingDoesNothingAndTheNextOneReadsAgain) {
  const std::string first = dir_.File("erste.txt");
  const std::string second = dir_.File("zweite.txt");
  WriteFile(first, "Eins.");
  WriteFile(second, "Zwei.");
  TVocatoForm form({"-f", first});
  Peer(form).Start().SetEnabled(false);
  bool nested = false;
  Timer during(1, true);
  during.SetOnTimer([&] {
    during.SetEnabled(false);
    nested = true;
    form.ReadTextFile(second);
  });
  form.ReadTextFile(first);
  ASSERT_TRUE(nested);
  EXPECT_EQ(Spoken(), Texts{"Eins."});
  form.ReadTextFile(second);
  EXPECT_EQ(Spoken(), (Texts{"Eins.", "Zwei."}));
  form.Close();
}

TEST_F(ReadTextFileTest, AFileThatCannotBeOpenedIsLoggedWithItsName) {
  // A socket exists like a file but opens for nobody, root included.
  const std::string file = dir_.File("gesperrt.txt");
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(file.size(), sizeof(address.sun_path));
  file.copy(address.sun_path, file.size());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  TVocatoForm form({"-f", file});
  Peer(form).Start().SetEnabled(false);
  form.ReadTextFile(file);
  close(listener);
  EXPECT_EQ(Spoken(), Texts{});
  EXPECT_EQ(ReadFile(dir_.File("vocatodebug.log")),
            "Datei " + file + " kann nicht geöffnet werden\n");
  form.Close();
}

}  // namespace
}  // namespace parlotto
