// The reading service as a shell uses it: a bus of the test's own starts the
// build's program from its service file, gdbus calls it, and its signals and
// speech are watched from outside.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>
#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "reader_service/signal_log.h"
#include "support/bus_daemon.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/speech_trace.h"
#include "support/spin_loop.h"

namespace parlotto {
namespace {

using testing::SpinUntil;
constexpr const char* kPath = "/org/parlotto/Parlotto";
constexpr int kLimitMs = 60000;

class ReaderServiceTest : public ::testing::Test {
 protected:
  ReaderServiceTest() : connection_(QDBusConnection::connectToBus(bus_.address(), "service")) {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
    for (const char* member : {"Started", "Finished"}) {
      connection_.connect({}, kPath, "org.parlotto.Reader1", member, &log_,
                          SLOT(Heard(QDBusMessage)));
    }
    connection_.connect({}, kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged", &log_,
                        SLOT(Heard(QDBusMessage)));
  }
  ~ReaderServiceTest() override {
    EXPECT_TRUE(SpinUntil(
        [&] { return !connection_.interface()->isServiceRegistered("org.parlotto.Parlotto"); },
        kLimitMs))
        << "the service did not end by itself";
    QDBusConnection::disconnectFromBus("service");
  }

  // gdbus's exit code and error output.
  std::pair<int, std::string> Call(const char* method, const QString& argument = {}) {
    const QStringList args = argument.isNull() ? QStringList() : QStringList{argument};
    QProcess gdbus;
    gdbus.start("gdbus", QStringList{"call", "--address", bus_.address(), "--dest",
                                     "org.parlotto.Parlotto", "--object-path", kPath, "--method",
                                     QString("org.parlotto.Reader1.") + method} +
                             args);
    SpinUntil([&] { return gdbus.state() == QProcess::NotRunning; }, kLimitMs);
    return {gdbus.exitCode(), gdbus.readAllStandardError().toStdString()};
  }

  // Whether `count` readings have ended: "Reading false" comes last.
  bool ReadingsEnded(long count) {
    return SpinUntil(
        [&] { return std::count(log_.heard.begin(), log_.heard.end(), "Reading false") >= count; },
        kLimitMs);
  }
  std::vector<std::string> Spoken() const { return testing::SpokenTexts(dir_.File("trace.txt")); }

  testing::ScratchDir dir_;
  testing::ScopedProgramEnvironment env_{dir_, dir_.File("trace.txt")};
  testing::ScopedEnv data_dirs_{"XDG_DATA_DIRS", PARLOTTO_BUILD_DIR "/share:/usr/share"};
  // The selection and the clipboard are the X display's.
  testing::ScopedEnv platform_{"QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen"};
  testing::BusDaemon bus_;
  testing::SignalLog log_;
  QDBusConnection connection_;
};

// Started by the bus for the first call, it reads a text, then a file, each
// after its call has returned, and ends by itself (the fixture's end).
TEST_F(ReaderServiceTest, TheBusStartsItForACallAndItReadsTextAndFilesInTurn) {
  testing::WriteFile(dir_.File("brief.txt"), "Guten Tag aus der Datei.");
  ASSERT_EQ(Call("ReadText", "Hallo aus der Shell.").first, 0);
  ASSERT_TRUE(ReadingsEnded(1));
  ASSERT_EQ(Call("ReadFile", QString::fromStdString(dir_.File("brief.txt"))).first, 0);
  ASSERT_TRUE(ReadingsEnded(2));
  EXPECT_EQ(log_.heard,
            (std::vector<std::string>{
                "Reading true", "Started text", "Finished true", "Reading false", "Reading true",
                "Started " + dir_.File("brief.txt"), "Finished true", "Reading false"}));
  EXPECT_EQ(Spoken(),
            (std::vector<std::string>{"Hallo aus der Shell.", "Guten Tag aus der Datei."}));
}

TEST_F(ReaderServiceTest, BadRequestsAreErrorsWithAGermanReasonAndReadNothing) {
  const QString dir = QString::fromStdString(dir_.File(""));
  const std::pair<const char*, QString> cases[][2] = {
      {{"ReadText", "  "}, {"InvalidArgs", "Der Text ist leer."}},
      {{"ReadFile", "brief.txt"}, {"InvalidArgs", "Der Pfad muss absolut sein"}},
      {{"ReadFile", dir + "fehlt.txt"}, {"FileNotFound", "nicht gefunden"}},
      {{"ReadFile", dir}, {"InvalidArgs", "ist keine Datei"}},
      {{"ReadUrl", "ftp://example.org/x"}, {"InvalidArgs", "Nur http-, https- und file-Adressen"}},
  };
  for (const auto& [call, error] : cases) {
    SCOPED_TRACE(std::string(call.first) + " " + call.second.left(20).toStdString());
    const auto [code, message] = Call(call.first, call.second);
    EXPECT_NE(code, 0);
    EXPECT_NE(message.find(std::string("org.freedesktop.DBus.Error.") + error.first),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(error.second.toStdString()), std::string::npos) << message;
  }
  EXPECT_TRUE(log_.heard.empty());
  EXPECT_TRUE(Spoken().empty());
}

TEST_F(ReaderServiceTest, ANewRequestReplacesTheReadingAndStopSilencesIt) {
  QString long_text;
  for (int i = 0; i < 40; ++i) long_text += QString("Dies ist Satz Nummer %1. ").arg(i);
  ASSERT_EQ(Call("ReadText", long_text).first, 0);
  ASSERT_TRUE(SpinUntil([&] { return !Spoken().empty(); }, kLimitMs));
  ASSERT_EQ(Call("ReadText", "Der zweite Text.").first, 0);
  ASSERT_TRUE(ReadingsEnded(2));
  ASSERT_EQ(Call("ReadText", long_text).first, 0);
  ASSERT_TRUE(SpinUntil([&] { return Spoken().size() >= 3; }, kLimitMs));
  ASSERT_EQ(Call("Stop").first, 0);
  ASSERT_TRUE(ReadingsEnded(3));
  const std::vector<std::string> finished = {"Finished false", "Finished true", "Finished false"};
  std::vector<std::string> heard;
  std::copy_if(log_.heard.begin(), log_.heard.end(), std::back_inserter(heard),
               [](const std::string& event) { return event.rfind("Finished", 0) == 0; });
  EXPECT_EQ(heard, finished);
  // Nothing more is said after the stop; neither long text was read whole.
  const std::vector<std::string> spoken = Spoken();
  testing::RunLoopFor(500);
  EXPECT_EQ(Spoken(), spoken);
  EXPECT_EQ(std::count(spoken.begin(), spoken.end(), "Der zweite Text."), 1);
  EXPECT_LT(spoken.size(), 40u);
}

// A message the reading shows stays up until the user answers it; a request
// meanwhile returns at once and is read after the answer.
TEST_F(ReaderServiceTest, ARequestWhileAMessageIsUpIsReadOnceTheUserHasAnswered) {
  qDBusRegisterMetaType<QMap<QString, QString>>();
  QDBusMessage update =
      QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "UpdateActivationEnvironment");
  update << QVariant::fromValue(QMap<QString, QString>{{"PARLOTTO_DIALOG_ANSWER_MS", "5000"}});
  ASSERT_EQ(connection_.call(update).type(), QDBusMessage::ReplyMessage);
  testing::WriteFile(dir_.File("kaputt.pdf"), "%PDF-1.4\nkein PDF\n");
  ASSERT_EQ(Call("ReadFile", QString::fromStdString(dir_.File("kaputt.pdf"))).first, 0);
  ASSERT_TRUE(
      SpinUntil([&] { return !testing::ReadFile(dir_.File("dialogs.txt")).empty(); }, kLimitMs));
  ASSERT_EQ(Call("ReadText", "Nach der Meldung.").first, 0);
  EXPECT_EQ(std::count(log_.heard.begin(), log_.heard.end(), "Finished false"), 0)
      << "the call was answered only after the message";
  EXPECT_TRUE(Spoken().empty());
  ASSERT_TRUE(ReadingsEnded(2));
  EXPECT_EQ(log_.heard,
            (std::vector<std::string>{"Reading true", "Started " + dir_.File("kaputt.pdf"),
                                      "Finished false", "Reading false", "Reading true",
                                      "Started text", "Finished true", "Reading false"}));
  EXPECT_EQ(Spoken(), std::vector<std::string>{"Nach der Meldung."});
}

// A script that attaches to the serving process while it reads: its text
// waits for the reading, is read, and keeps the service until it is.
TEST_F(ReaderServiceTest, AScriptsTextDuringAReadingIsReadAfterItWithoutCuttingEitherShort) {
  ASSERT_EQ(QProcess::execute(PARLOTTO_BUILD_DIR "/parlotto", {"/regserver"}), 0);
  ASSERT_EQ(Call("ReadText", "Erster Satz vom Dienst. Zweiter Satz vom Dienst.").first, 0);
  ASSERT_TRUE(SpinUntil([&] { return !Spoken().empty(); }, kLimitMs));
  QProcess script;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", bus_.address());
  script.setProcessEnvironment(env);
  script.start(PARLOTTO_BUILD_DIR "/tests/read_some_text_client",
               {"create", "text2:Ein Text aus dem Skript.", "release"});
  ASSERT_TRUE(SpinUntil([&] { return script.state() == QProcess::NotRunning; }, kLimitMs));
  EXPECT_NE(script.readAllStandardOutput().indexOf("text2:Ein Text aus dem Skript. 0x00000000"),
            -1);
  ASSERT_TRUE(ReadingsEnded(1));
  EXPECT_EQ(log_.heard.back(), "Reading false");
  EXPECT_EQ(Spoken(), (std::vector<std::string>{"Erster Satz vom Dienst. Zweiter Satz vom Dienst.",
                                                "Ein Text aus dem Skript."}));
  EXPECT_TRUE(testing::ReadFile(dir_.File("dialogs.txt")).empty()) << "asked about the script";
}

TEST_F(ReaderServiceTest, TheSelectionAndTheClipboardAreReadFromTheirMethods) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display for the selection";
  // xclip holds a selection while it runs in front (-quiet).
  QProcess primary, clipboard;
  for (auto [xclip, selection, text] : {std::tuple{&primary, "primary", "Markierter Text."},
                                        std::tuple{&clipboard, "clipboard", "Kopierter Text."}}) {
    xclip->start("xclip", {"-quiet", "-selection", selection});
    xclip->write(text);
    xclip->closeWriteChannel();
  }
  ASSERT_EQ(Call("ReadSelection").first, 0);
  ASSERT_TRUE(ReadingsEnded(1));
  ASSERT_EQ(Call("ReadClipboard").first, 0);
  ASSERT_TRUE(ReadingsEnded(2));
  EXPECT_EQ(Spoken(), (std::vector<std::string>{"Markierter Text.", "Kopierter Text."}));
}

// A session bus opened to other users, as a user may configure one: their
// calls are refused and read nothing. Calling as another user needs root.
TEST(ReaderServiceSafetyTest, ACallerOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to call as another user";
  testing::ScratchDir dir;
  testing::WriteFile(dir.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
  testing::WriteFile(dir.File("bus.conf"), R"(<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <standard_session_servicedirs/>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>)");
  testing::ScopedProgramEnvironment env(dir, dir.File("trace.txt"));
  testing::ScopedEnv data_dirs("XDG_DATA_DIRS", PARLOTTO_BUILD_DIR "/share:/usr/share");
  testing::BusDaemon bus(QString::fromStdString(dir.File("bus.conf")));
  ASSERT_FALSE(bus.address().isEmpty());
  QProcess gdbus;
  gdbus.start("setpriv",
              {"--reuid=65534", "--regid=65534", "--clear-groups", "gdbus", "call", "--address",
               bus.address(), "--dest", "org.parlotto.Parlotto", "--object-path", kPath, "--method",
               "org.parlotto.Reader1.ReadText", "Von einem anderen Benutzer."});
  ASSERT_TRUE(SpinUntil([&] { return gdbus.state() == QProcess::NotRunning; }, kLimitMs));
  const std::string error = gdbus.readAllStandardError().toStdString();
  EXPECT_NE(gdbus.exitCode(), 0);
  EXPECT_NE(error.find("org.freedesktop.DBus.Error.AccessDenied: Nur für diesen Benutzer."),
            std::string::npos)
      << error;
  testing::RunLoopFor(500);
  EXPECT_TRUE(testing::SpokenTexts(dir.File("trace.txt")).empty());
}

}  // namespace
}  // namespace parlotto
