// The reading service as a shell and a desktop use it: a bus of the test's
// own that starts the build's program from its service file, calls made
// with gdbus, and the service's signals and speech watched from outside.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "support/bus_daemon.h"
#include "support/local_http_server.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/spin_loop.h"

namespace parlotto {
namespace {

using testing::ScratchDir;
using testing::SpinUntil;

constexpr const char* kName = "org.parlotto.Parlotto";
constexpr const char* kPath = "/org/parlotto/Parlotto";
constexpr const char* kInterface = "org.parlotto.Reader1";
constexpr int kLimitMs = 60000;

struct Call {
  int exit_code = -1;
  std::string error;  // gdbus's message: the error's name and text
};

// What the service said on the bus, in order: "Started <what>",
// "Finished <true|false>", "Reading <true|false>".
class SignalLog : public QObject {
  Q_OBJECT

 public:
  std::vector<std::string> heard;

 public Q_SLOTS:
  void Heard(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (message.member() == "PropertiesChanged") {
      const QVariantMap changed = qdbus_cast<QVariantMap>(args.value(1));
      heard.push_back(std::string("Reading ") +
                      (changed.value("Reading").toBool() ? "true" : "false"));
    } else if (message.member() == "Started") {
      heard.push_back("Started " + args.value(0).toString().toStdString());
    } else {
      heard.push_back(std::string("Finished ") + (args.value(0).toBool() ? "true" : "false"));
    }
  }
};

class ReaderServiceTest : public ::testing::Test {
 protected:
  ReaderServiceTest()
      : hive_(Hive()),
        env_(dir_, dir_.File("trace.txt")),
        data_dirs_("XDG_DATA_DIRS", PARLOTTO_BUILD_DIR "/share:/usr/share"),
        // The selection and the clipboard are the X display's.
        platform_("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen"),
        bus_(),
        connection_(QDBusConnection::connectToBus(bus_.address(), "reader-service-test")) {
    for (const char* member : {"Started", "Finished"}) {
      connection_.connect(QString(), kPath, kInterface, member, &log_, SLOT(Heard(QDBusMessage)));
    }
    connection_.connect(QString(), kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                        &log_, SLOT(Heard(QDBusMessage)));
  }
  ~ReaderServiceTest() override {
    EXPECT_TRUE(EndsByItself()) << "the service is still running";
    QDBusConnection::disconnectFromBus("reader-service-test");
  }

  const char* Hive() {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
    return "";
  }

  Call Gdbus(const char* method, const QStringList& args = {}) {
    QProcess gdbus;
    gdbus.start("gdbus",
                QStringList{"call", "--address", bus_.address(), "--dest", kName, "--object-path",
                            kPath, "--method", QString(kInterface) + "." + method} +
                    args);
    Call call;
    // The loop runs meanwhile: the test's own page server answers in it.
    SpinUntil([&] { return gdbus.state() == QProcess::NotRunning; }, kLimitMs);
    call.exit_code = gdbus.exitCode();
    call.error = gdbus.readAllStandardError().toStdString();
    return call;
  }

  Call Direct(const char* method, const QString& argument) {
    QDBusMessage request = QDBusMessage::createMethodCall(kName, kPath, kInterface, method);
    request << argument;
    const QDBusMessage reply = connection_.call(request, QDBus::Block, kLimitMs);
    return {reply.type() == QDBusMessage::ErrorMessage ? 1 : 0,
            (reply.errorName() + ": " + reply.errorMessage()).toStdString()};
  }

  const std::vector<std::string>& Heard() const { return log_.heard; }
  // Whether `count` readings have ended, the last event of each.
  bool ReadingsEnded(long count) {
    return SpinUntil(
        [&] { return std::count(Heard().begin(), Heard().end(), "Reading false") >= count; },
        kLimitMs);
  }

  std::vector<std::string> Spoken() const { return testing::SpokenTexts(dir_.File("trace.txt")); }

  bool EndsByItself() {
    return SpinUntil([&] { return !connection_.interface()->isServiceRegistered(kName); },
                     kLimitMs);
  }

  ScratchDir dir_;
  const char* hive_;
  testing::ScopedProgramEnvironment env_;
  testing::ScopedEnv data_dirs_;
  testing::ScopedEnv platform_;
  testing::BusDaemon bus_;
  SignalLog log_;
  QDBusConnection connection_;
};

// Started by the bus for the first call; a file read after a text; the
// calls return before the reading ends; then it ends by itself.
TEST_F(ReaderServiceTest, TheBusStartsItForACallAndItReadsTextAndFilesInTurn) {
  testing::WriteFile(dir_.File("brief.txt"), "Guten Tag aus der Datei.");
  ASSERT_EQ(Gdbus("ReadText", {"Hallo aus der Shell."}).exit_code, 0);
  ASSERT_TRUE(ReadingsEnded(1));
  ASSERT_EQ(Gdbus("ReadFile", {QString::fromStdString(dir_.File("brief.txt"))}).exit_code, 0);
  ASSERT_TRUE(ReadingsEnded(2));
  EXPECT_EQ(Heard(),
            (std::vector<std::string>{
                "Reading true", "Started text", "Finished true", "Reading false", "Reading true",
                "Started " + dir_.File("brief.txt"), "Finished true", "Reading false"}));
  EXPECT_EQ(Spoken(),
            (std::vector<std::string>{"Hallo aus der Shell.", "Guten Tag aus der Datei."}));
}

TEST_F(ReaderServiceTest, BadRequestsAreErrorsWithAGermanReasonAndReadNothing) {
  const std::string dir = dir_.File("");
  struct Case {
    const char* method;
    QString argument;
    const char* error;
    const char* reason;
  };
  const Case cases[] = {
      {"ReadText", "  ", "InvalidArgs", "Der Text ist leer."},
      {"ReadText", QString(128 * 1024 + 1, 'a'), "InvalidArgs", "Der Text ist zu lang"},
      {"ReadFile", "brief.txt", "InvalidArgs", "Der Pfad muss absolut sein"},
      {"ReadFile", QString::fromStdString(dir + "fehlt.txt"), "FileNotFound", "nicht gefunden"},
      {"ReadFile", QString::fromStdString(dir), "InvalidArgs", "ist keine Datei"},
      {"ReadUrl", "ftp://example.org/x.txt", "InvalidArgs", "Nur http-, https- und file-Adressen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.method) + " " + c.argument.left(40).toStdString());
    // Linux passes no longer argument to gdbus; the bus carries it.
    const Call call =
        c.argument.size() < 100000 ? Gdbus(c.method, {c.argument}) : Direct(c.method, c.argument);
    EXPECT_NE(call.exit_code, 0);
    EXPECT_NE(call.error.find(std::string("org.freedesktop.DBus.Error.") + c.error),
              std::string::npos)
        << call.error;
    EXPECT_NE(call.error.find(c.reason), std::string::npos) << call.error;
  }
  EXPECT_TRUE(Heard().empty());
  EXPECT_TRUE(Spoken().empty());
}

// A new request replaces the reading under way; Stop silences one at once.
TEST_F(ReaderServiceTest, ANewRequestReplacesTheReadingAndStopSilencesIt) {
  QString long_text;
  for (int i = 0; i < 40; ++i) long_text += QString("Dies ist Satz Nummer %1. ").arg(i);
  ASSERT_EQ(Gdbus("ReadText", {long_text}).exit_code, 0);
  ASSERT_TRUE(SpinUntil([&] { return !Spoken().empty(); }, kLimitMs));
  ASSERT_EQ(Gdbus("ReadText", {"Der zweite Text."}).exit_code, 0);
  ASSERT_TRUE(ReadingsEnded(2));
  ASSERT_EQ(Gdbus("ReadText", {long_text}).exit_code, 0);
  ASSERT_TRUE(SpinUntil([&] { return Spoken().size() >= 3; }, kLimitMs));
  ASSERT_EQ(Gdbus("Stop").exit_code, 0);
  ASSERT_TRUE(ReadingsEnded(3));
  EXPECT_EQ(Heard(), (std::vector<std::string>{"Reading true", "Started text", "Finished false",
                                               "Reading false", "Reading true", "Started text",
                                               "Finished true", "Reading false", "Reading true",
                                               "Started text", "Finished false", "Reading false"}));
  // Nothing more is said after the stop, and neither long text was read
  // to its end.
  const std::vector<std::string> spoken = Spoken();
  testing::RunLoopFor(500);
  EXPECT_EQ(Spoken(), spoken);
  EXPECT_EQ(std::count(spoken.begin(), spoken.end(), "Der zweite Text."), 1);
  EXPECT_LT(spoken.size(), 40u);
}

// What the user marked, the clipboard and a page, each through its method.
TEST_F(ReaderServiceTest, TheSelectionTheClipboardAndAPageAreReadFromTheirMethods) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display for the selection";
  // xclip holds a selection for as long as it runs (in front, -quiet).
  auto hold = [](QProcess& xclip, const char* selection, const char* text) {
    xclip.start("xclip", {"-quiet", "-selection", selection});
    xclip.write(text);
    xclip.closeWriteChannel();
  };
  QProcess primary, clipboard;
  hold(primary, "primary", "Markierter Text.");
  hold(clipboard, "clipboard", "Kopierter Text.");
  testing::LocalHttpServer pages;
  pages.Serve("/seite.html", "<html><body><p>Eine Seite im Netz.</p></body></html>");

  ASSERT_EQ(Gdbus("ReadSelection").exit_code, 0);
  ASSERT_TRUE(ReadingsEnded(1));
  ASSERT_EQ(Gdbus("ReadClipboard").exit_code, 0);
  ASSERT_TRUE(ReadingsEnded(2));
  ASSERT_EQ(Gdbus("ReadUrl", {pages.Url("/seite.html")}).exit_code, 0);
  ASSERT_TRUE(ReadingsEnded(3));
  const std::vector<std::string> spoken = Spoken();
  ASSERT_EQ(spoken.size(), 3u);
  EXPECT_EQ(spoken[0], "Markierter Text.");
  EXPECT_EQ(spoken[1], "Kopierter Text.");
  EXPECT_NE(spoken[2].find("Eine Seite im Netz."), std::string::npos) << spoken[2];
  primary.kill();
  clipboard.kill();
}

// What the bus shows is what the installed interface file describes.
TEST_F(ReaderServiceTest, TheInterfaceFileDescribesWhatTheServiceOffers) {
  auto members = [](const QString& xml) {
    std::set<std::string> found;
    QXmlStreamReader reader(xml);
    bool inside = false;
    while (!reader.atEnd()) {
      if (!reader.readNextStartElement()) continue;
      const QString name = reader.attributes().value("name").toString();
      if (reader.name() == QLatin1String("interface")) inside = name == kInterface;
      if (inside && reader.name() != QLatin1String("interface")) {
        found.insert((reader.name().toString() + " " + name + " " +
                      reader.attributes().value("type").toString() + " " +
                      reader.attributes().value("direction").toString())
                         .toStdString());
      }
    }
    return found;
  };
  QFile file(PARLOTTO_BUILD_DIR "/share/dbus-1/interfaces/org.parlotto.Reader1.xml");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QDBusMessage introspect = connection_.call(QDBusMessage::createMethodCall(
      kName, kPath, "org.freedesktop.DBus.Introspectable", "Introspect"));
  ASSERT_EQ(introspect.type(), QDBusMessage::ReplyMessage)
      << introspect.errorMessage().toStdString();
  EXPECT_EQ(members(introspect.arguments().value(0).toString()),
            members(QString::fromUtf8(file.readAll())));
}

}  // namespace
}  // namespace parlotto

#include "reader_service_test.moc"
