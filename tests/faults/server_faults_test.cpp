// The servers of ours killed while the program depends on them: the
// character server while it speaks, the office server while the program
// waits for a document's text, the browser server while the program waits
// for a page. Each time the program must end by itself, say in one log line
// what happened, keep every settings value and leave no process behind.
#include <gtest/gtest.h>
#include <signal.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <filesystem>
#include <string>
#include <vector>

#include "faults/fault_support.h"
#include "support/compound_file_writer.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::Joined;
using testing::LogLines;
using testing::MarkedProcess;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WaitUntil;
using testing::WriteFile;

// Generous bounds: the program's own waits are scaled far below them.
constexpr int kEndMs = 30000;
constexpr int kLeftoverMs = 20000;

// The one marked process that runs `program` of the build tree; 0 when
// there is none or more than one.
pid_t ServerPid(const testing::ProcessMark& mark, const std::string& program) {
  pid_t found = 0;
  for (const MarkedProcess& process : mark.OursLiving()) {
    if (fs::path(process.exe).filename() != program) continue;
    if (found != 0) return 0;
    found = process.pid;
  }
  return found;
}

class ServerFaultTest : public ::testing::Test {
 protected:
  // The environment of the program; `character` reads through the
  // character server, else the program speaks itself.
  QProcessEnvironment Environment(bool character) {
    testing::WriteHiveWithKeptValues(dir_, character);
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, trace_);
    // The long limit of calls: what ends the waits must be the fault.
    env.remove("PARLOTTO_COM_SERVER_TIMEOUT_MS");
    env.insert("PARLOTTO_BROWSER_LINGER_MS", "300");
    return env;
  }

  // What every fault must leave: the program ended by itself, one line
  // in its log that `names` the fault, every kept value, no process.
  void ExpectCleanEnd(testing::MarkedProgram& program, const std::string& names) {
    EXPECT_TRUE(program.EndsWithin(kEndMs)) << "the program hung or failed after the fault";
    const std::vector<std::string> log = LogLines(dir_);
    ASSERT_EQ(log.size(), 1u) << Joined(log);
    EXPECT_NE(log[0].find(names), std::string::npos) << log[0];
    EXPECT_EQ(testing::LostValues(dir_), "");
    EXPECT_TRUE(mark_.NoneLeftWithin(kLeftoverMs)) << Describe(mark_.Living());
  }

  ScratchDir dir_;
  const std::string trace_ = dir_.File("trace.txt");
  testing::ProcessMark mark_;
};

TEST_F(ServerFaultTest, TheCharacterServerKilledWhileSpeakingCostsOnlyThatPiece) {
  // The first piece lasts long enough to kill its server meanwhile.
  std::string first = "Erster Teil";
  while (first.size() < 580) first += " und noch ein Wort mehr";
  const std::string text = first + ".\nZweiter Teil.\nDritter Teil.";
  testing::MarkedProgram program(mark_, Environment(true), dir_);
  ASSERT_TRUE(program.Start({QStringLiteral("-d"), QString::fromStdString(text)}));
  ASSERT_TRUE(WaitUntil([&] { return !testing::TraceEvents(trace_).empty(); }, kEndMs))
      << "no speech began";
  const pid_t server = ServerPid(mark_, "AgentSvr");
  ASSERT_NE(server, 0) << Describe(mark_.Living());
  ASSERT_EQ(::kill(server, SIGKILL), 0);

  ExpectCleanEnd(program, "Agent server lost");
  EXPECT_EQ(LogLines(dir_), std::vector<std::string>{"Agent server lost"});
  // A new server speaks the rest.
  const std::vector<std::string> spoken = testing::SpokenTexts(trace_);
  ASSERT_GE(spoken.size(), 2u) << ReadFile(trace_);
  EXPECT_NE(spoken.back().find("Dritter Teil."), std::string::npos) << ReadFile(trace_);
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
}

TEST_F(ServerFaultTest, TheOfficeServerKilledWhileItConvertsADocumentEndsTheReadingWithTheMessage) {
  // A converter that never finishes, so that the program waits in its
  // call to open the document until the server dies.
  const std::string bin = dir_.File("bin");
  fs::create_directories(bin);
  WriteFile(bin + "/antiword",
            "#!/bin/sh\ntouch '" + dir_.File("converting") + "'\nexec sleep 600\n");
  fs::permissions(bin + "/antiword", fs::perms::owner_all);
  WriteFile(dir_.File("alt.doc"), testing::WordBinaryBytes("Ein altes Dokument.\r"));
  QProcessEnvironment env = Environment(false);
  env.insert("PATH", QString::fromStdString(bin) + ":" + env.value("PATH"));
  testing::MarkedProgram program(mark_, env, dir_);
  ASSERT_TRUE(program.Start({QStringLiteral("-doc"), QStringLiteral("alt.doc")}));
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(dir_.File("converting")); }, kEndMs));
  const pid_t server = ServerPid(mark_, "OfficeSvr");
  ASSERT_NE(server, 0) << Describe(mark_.Living());
  ASSERT_EQ(::kill(server, SIGKILL), 0);

  ExpectCleanEnd(program, "\"Open\", open_args, &opened)': The remote procedure call failed.");
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")),
            "Fehler\tEs sollte ein Word-Dokument vorgelesen werden,\\n"
            "Word ist aber scheinbar nicht installiert.\\n"
            " Oder es ist ein anderer Fehler bei der Automatisierung von Word aufgetreten!\n");
  EXPECT_TRUE(testing::SpokenTexts(trace_).empty());
}

// A web server that takes every connection and never answers.
class SilentWebServer {
 public:
  SilentWebServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) socket->setParent(&server_);
      ++connections_;
    });
  }
  QString Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
  }
  int connections() const { return connections_; }

 private:
  QTcpServer server_;
  int connections_ = 0;
};

TEST_F(ServerFaultTest, TheBrowserServerKilledWhileAPageLoadsEndsTheReadingSilently) {
  SilentWebServer web;
  // An address that never answers keeps the program asking the server
  // whether it is busy. (A local file cannot: its page may neither load
  // from the web nor run scripts.)
  QProcessEnvironment env = Environment(false);
  // Slow enough that the page is still loading when its server dies.
  env.insert("PARLOTTO_TIME_SCALE", "0.5");
  testing::MarkedProgram program(mark_, env, dir_);
  ASSERT_TRUE(program.Start({QStringLiteral("-wget"), web.Url("/seite.html")}));
  ASSERT_TRUE(WaitUntil([&] { return web.connections() > 0; }, 60000));
  const pid_t server = ServerPid(mark_, "BrowserSvr");
  ASSERT_NE(server, 0) << Describe(mark_.Living());
  ASSERT_EQ(::kill(server, SIGKILL), 0);

  ExpectCleanEnd(program, "IE \?\?\?'GetProperty(browser.Get(), ");
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
  EXPECT_TRUE(testing::SpokenTexts(trace_).empty()) << ReadFile(trace_);
}

}  // namespace
}  // namespace parlotto
