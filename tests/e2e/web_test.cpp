// "parlotto -html" and "-wget": the real program and the real browser
// server on a bus of the test's own, with pages from a file and from a web
// server of the test's own on 127.0.0.1.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <string>
#include <vector>

#include "support/local_http_server.h"
#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;
using Texts = std::vector<std::string>;

class WebProgramTest : public ::testing::Test {
 protected:
  WebProgramTest() { WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive); }

  // Runs the program to its end while this test's web server answers.
  Texts Read(const QString& which, const QString& what) {
    std::filesystem::remove(dir_.File("trace.txt"));
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
    env.insert("PARLOTTO_BROWSER_LINGER_MS", "300");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(dir_.path().string()));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), {which, what});
    QElapsedTimer clock;
    clock.start();
    while (!program.waitForFinished(20)) {
      QCoreApplication::processEvents();
      if (clock.elapsed() > 120000) {
        program.kill();
        ADD_FAILURE() << "the program did not end";
        return {};
      }
    }
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
    return testing::SpokenTexts(dir_.File("trace.txt"));
  }

  ScratchDir dir_;
};

TEST_F(WebProgramTest, ALocalFileIsReadAsRenderedWithoutScriptsOrHiddenText) {
  WriteFile(dir_.File("seite.html"),
            "<!doctype html><html><head><meta charset='utf-8'><title>Seite</title>"
            "<script>var geheim = 'Skripttext';</script><style>p { color: red; }</style></head>"
            "<body><h1>Wetter in München</h1><p>Morgen scheint die Sonne.</p>"
            "<p style='display:none'>Versteckter Absatz.</p></body></html>");
  EXPECT_EQ(Read("-html", "seite.html"), Texts{"Wetter in München\\n\\nMorgen scheint die Sonne."});
}

TEST_F(WebProgramTest, AnAddressIsLoadedAndEachFrameIsReadAfterABlank) {
  testing::LocalHttpServer server;
  server.Serve("/",
               "<!doctype html><html><head><meta charset='utf-8'></head><body>"
               "<p>Nachrichten aus Köln.</p></body></html>");
  EXPECT_EQ(Read("-wget", server.Url("/")), Texts{"Nachrichten aus Köln."});

  // Three frames; the second from another origin, which the browser keeps
  // to itself.
  testing::LocalHttpServer other;
  other.Serve("/b.html", "<p>Fremd</p>");
  server.Serve("/a.html", "<p>Erster Rahmen.</p>");
  server.Serve("/c.html", "<p>Dritter Rahmen.</p>");
  server.Serve("/rahmen.html", ("<!doctype html><html><frameset cols='33%,33%,*'>"
                                "<frame src='/a.html'><frame src='" +
                                other.Url("/b.html") + "'><frame src='/c.html'></frameset></html>")
                                   .toUtf8());
  EXPECT_EQ(Read("-wget", server.Url("/rahmen.html")), Texts{" Erster Rahmen. Dritter Rahmen."});
}

}  // namespace
}  // namespace parlotto
