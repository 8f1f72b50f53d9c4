// The desktop's browser windows, with a real browser on a private X display
// (openbox keeps the window list) and this test's own session and
// accessibility buses.
#include "platform/shell_windows/shell_windows.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <optional>

#include "platform/com_runtime/late_bound.h"
#include "platform/places/diagnostics.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ScopedEnv;
using testing::ScratchDir;
using testing::WriteFile;

struct WindowView {
  HWND handle = 0;  // 0 when HWND fails
  QString text;     // body.outerText of the page
  long frames = -1;
};

// What the browser-window source does with one item.
WindowView ReadItem(TCppShellWindows& windows, int index) {
  WindowView view;
  IDispatch* raw = nullptr;
  EXPECT_EQ(windows.Item(VARIANT::I4(index), &raw), S_OK);
  ComPtr<IDispatch> item = ComPtr<IDispatch>::Attach(raw);
  if (!item) return view;
  VARIANT handle;
  if (SUCCEEDED(GetProperty(item.Get(), "HWND", &handle))) {
    EXPECT_EQ(handle.vt, VT_I4);
    view.handle = static_cast<std::uint32_t>(handle.lVal);
  }
  VARIANT document_value;
  EXPECT_EQ(GetProperty(item.Get(), "Document", &document_value), S_OK);
  ComPtr<IDispatch> document = DispatchOf(document_value);
  if (!document) return view;
  VARIANT frames_value, length, body_value, text;
  EXPECT_EQ(GetProperty(document.Get(), "frames", &frames_value), S_OK);
  ComPtr<IDispatch> frames = DispatchOf(frames_value);
  EXPECT_TRUE(frames);
  if (frames && SUCCEEDED(GetProperty(frames.Get(), "length", &length))) view.frames = length.lVal;
  EXPECT_EQ(GetProperty(document.Get(), "body", &body_value), S_OK);
  ComPtr<IDispatch> body = DispatchOf(body_value);
  EXPECT_TRUE(body);
  if (body && SUCCEEDED(GetProperty(body.Get(), "outerText", &text))) view.text = text.bstrVal;
  return view;
}

std::vector<WindowView> ReadAll() {
  TCppShellWindows windows;
  windows.Connect();
  long count = 0;
  EXPECT_EQ(windows.get_Count(&count), S_OK);
  std::vector<WindowView> views;
  views.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) views.push_back(ReadItem(windows, i));
  windows.Disconnect();
  return views;
}

std::optional<WindowView> FrontWindow(const std::vector<WindowView>& views) {
  const HWND front = GetForegroundWindow();
  for (const WindowView& view : views) {
    if (front != 0 && view.handle == front) return view;
  }
  return std::nullopt;
}

class ShellWindowsWithBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    chromium_ = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium_.isEmpty()) GTEST_SKIP() << "chromium is not installed";
    if (qEnvironmentVariableIsEmpty("DISPLAY")) GTEST_SKIP() << "no X display (Xvfb missing)";
    WriteFile(dir_.File("erste.html"),
              "<!doctype html><html><head><title>Erste Seite</title>"
              "<script>var versteckt = 'Skriptwort';</script></head><body>"
              "<h1>Apfelkuchen Rezept</h1><p>Man nehme drei <a href='#x'>Aepfel</a> und Mehl.</p>"
              "<ul><li>Zucker</li><li>Butter</li></ul></body></html>");
    WriteFile(dir_.File("zweite.html"),
              "<!doctype html><html><head><title>Zweite Seite</title>"
              "<style>p { color: gray; }</style></head><body>"
              "<h2>Birnenkompott</h2><p>Die Birnen werden geschaelt.</p>"
              "<iframe srcdoc='<p>Innenrahmen Kirsche</p>'></iframe></body></html>");
    // The accessibility bus's launcher names its socket after the runtime
    // directory and display it is started with: test runs side by side
    // would share one.
    const std::string runtime = dir_.File("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    runtime_dir_.emplace("XDG_RUNTIME_DIR", runtime.c_str());
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("dbus-update-activation-environment"),
                          {QStringLiteral("XDG_RUNTIME_DIR=") + QString::fromStdString(runtime),
                           QStringLiteral("DISPLAY=") + qEnvironmentVariable("DISPLAY")}),
        0);
    // The accessibility bus and its registry up first: a browser that
    // starts them itself may give up registering while they start.
    ASSERT_TRUE(ReadAll().empty());
    browser_.setProcessEnvironment(BrowserEnvironment());
    browser_.setProgram(chromium_);
    browser_.setProcessChannelMode(QProcess::MergedChannels);
    browser_.setStandardOutputFile(QString::fromStdString(dir_.File("browser.log")));
    browser_.setArguments(BrowserArguments("erste.html"));
    browser_.start();
    ASSERT_TRUE(browser_.waitForStarted(20000));
    // The first window is up before the second is asked for, so that the
    // second is the newer one in front.
    ASSERT_TRUE(WaitFor([] { return ReadAll().size() == 1; })) << BrowserLog();
    QProcess second;
    second.setProcessEnvironment(BrowserEnvironment());
    second.start(chromium_, BrowserArguments("zweite.html"));
    ASSERT_TRUE(second.waitForFinished(60000));
  }

  void TearDown() override {
    if (browser_.state() == QProcess::NotRunning) return;
    browser_.terminate();
    if (!browser_.waitForFinished(10000)) {
      browser_.kill();
      browser_.waitForFinished(5000);
    }
  }

  // The end of what the browser said, for a failure's message.
  std::string BrowserLog() const {
    const std::string log = testing::ReadFile(dir_.File("browser.log"));
    return log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
  }

  QProcessEnvironment BrowserEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Chromium offers its tree on the accessibility bus only when asked to.
    env.insert(QStringLiteral("ACCESSIBILITY_ENABLED"), QStringLiteral("1"));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("0"));
    // Its singleton directory goes in TMPDIR and stays there when the
    // browser is killed; a directory of the test's own takes it away. Short:
    // the directory holds a socket, whose path may not be longer than 107.
    env.insert(QStringLiteral("TMPDIR"), browser_tmp_.path());
    return env;
  }

  QStringList BrowserArguments(const char* page) const {
    return {QStringLiteral("--force-renderer-accessibility"), QStringLiteral("--no-sandbox"),
            QStringLiteral("--user-data-dir=") + QString::fromStdString(dir_.File("profile")),
            QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check"),
            QStringLiteral("--disable-gpu"), QStringLiteral("--password-store=basic"),
            // Local pages only: no name is resolved, nothing leaves the machine.
            QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"),
            QStringLiteral("--host-resolver-rules=MAP * ~NOTFOUND"), QStringLiteral("--new-window"),
            QStringLiteral("file://") + QString::fromStdString(dir_.File(page))};
  }

  // Polls until `done`, a browser starting under sanitizers on a shared
  // machine being slow.
  template <typename Done>
  static bool WaitFor(Done done) {
    QDeadlineTimer deadline(90000);
    while (!deadline.hasExpired()) {
      if (done()) return true;
      QThread::msleep(300);
    }
    return false;
  }

  // Asks the window manager to bring the window of `title` to the front;
  // false while no window has that title yet.
  static bool Activate(const char* title) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"), QStringLiteral("--name"), QString::fromUtf8(title),
                   QStringLiteral("windowactivate")});
    return xdotool.waitForFinished(20000) && xdotool.exitCode() == 0;
  }

  // Brings `title` to the front and reads the window in front until its
  // page holds `word`.
  static std::optional<WindowView> ReadFront(const char* title, const char* word) {
    std::optional<WindowView> front;
    WaitFor([&] {
      if (!Activate(title)) return false;
      front = FrontWindow(ReadAll());
      return front && front->text.contains(QString::fromUtf8(word));
    });
    return front;
  }

  ScratchDir dir_;
  std::optional<ScopedEnv> runtime_dir_;
  QString chromium_;
  QTemporaryDir browser_tmp_{QStringLiteral("/tmp/parlotto-chromium-XXXXXX")};
  QProcess browser_;
};

bool BothPagesRead(const std::vector<WindowView>& views) {
  if (views.size() != 2) return false;
  for (const WindowView& view : views) {
    // On X11 each frame answers with its window's id, which has 29 bits.
    if (view.handle == 0 || view.handle >= (1u << 29) || view.text.isEmpty()) return false;
  }
  return true;
}

TEST_F(ShellWindowsWithBrowser, ListsBothWindowsAndReadsThePageOfTheOneInFront) {
  std::vector<WindowView> views;
  ASSERT_TRUE(WaitFor([&] { return BothPagesRead(views = ReadAll()); }))
      << "windows seen: " << views.size();
  EXPECT_NE(views[0].handle, views[1].handle);

  std::optional<WindowView> front = ReadFront("^Zweite Seite - Chromium$", "Birnen");
  ASSERT_TRUE(front) << "no window in front";
  EXPECT_EQ(front->frames, 0);
  // The inline frame's text is part of the page; each block on its own line.
  EXPECT_EQ(front->text,
            QStringLiteral("Birnenkompott\nDie Birnen werden geschaelt.\nInnenrahmen Kirsche"));

  front = ReadFront("^Erste Seite - Chromium$", "Apfelkuchen");
  ASSERT_TRUE(front) << "no window in front";
  EXPECT_EQ(front->text,
            QStringLiteral("Apfelkuchen Rezept\nMan nehme drei Aepfel und Mehl.\nZucker\nButter"));
  EXPECT_FALSE(front->text.contains(QStringLiteral("Skriptwort")));
}

TEST_F(ShellWindowsWithBrowser, AnswersWithoutAPageForAWindowWhoseBrowserHasGoneSinceTheList) {
  std::vector<WindowView> views;
  ASSERT_TRUE(WaitFor([&] { return BothPagesRead(views = ReadAll()); }));
  TCppShellWindows windows;
  windows.Connect();
  long count = 0;
  ASSERT_EQ(windows.get_Count(&count), S_OK);
  ASSERT_EQ(count, 2);

  browser_.kill();
  ASSERT_TRUE(browser_.waitForFinished(10000));

  IDispatch* raw = nullptr;
  ASSERT_EQ(windows.Item(VARIANT::I4(1), &raw), S_OK);
  ComPtr<IDispatch> item = ComPtr<IDispatch>::Attach(raw);
  VARIANT handle, document;
  // Names are found in any case, as automation finds them.
  EXPECT_EQ(GetProperty(item.Get(), "hwnd", &handle), S_OK);
  EXPECT_EQ(static_cast<HWND>(static_cast<std::uint32_t>(handle.lVal)), views[1].handle);
  EXPECT_EQ(GetProperty(item.Get(), "Document", &document), S_OK);
  EXPECT_FALSE(DispatchOf(document));
  EXPECT_EQ(GetProperty(item.Get(), "LocationURL", &document), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(windows.Item(VARIANT::I4(2), &raw), DISP_E_BADINDEX);
  windows.Disconnect();
}

// What the program makes of it: "parlotto -e" reads the page in front.
TEST_F(ShellWindowsWithBrowser, TheProgramReadsThePageOfTheWindowInFrontAloud) {
  ASSERT_TRUE(ReadFront("^Zweite Seite - Chromium$", "Birnen"));
  WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
  QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
  // The program looks for the window in front on this test's display.
  env.insert("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM"));
  QProcess program;
  program.setProcessEnvironment(env);
  program.setProcessChannelMode(QProcess::ForwardedChannels);
  program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), {QStringLiteral("-e")});
  ASSERT_TRUE(program.waitForFinished(120000));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_EQ(testing::SpokenTexts(dir_.File("trace.txt")),
            std::vector<std::string>{
                "Birnenkompott\\nDie Birnen werden geschaelt.\\nInnenrahmen Kirsche"});
  EXPECT_EQ(testing::ReadFile(dir_.File("dialogs.txt")), "");
}

TEST(ShellWindows, FindsNoWindowWhereNoBrowserRuns) {
  TCppShellWindows windows;
  windows.Connect();
  long count = -1;
  EXPECT_EQ(windows.get_Count(&count), S_OK);
  EXPECT_EQ(count, 0);
  IDispatch* item = nullptr;
  EXPECT_EQ(windows.Item(VARIANT::I4(0), &item), DISP_E_BADINDEX);
  EXPECT_EQ(item, nullptr);
  windows.Disconnect();
}

TEST(ShellWindows, FindsNoWindowAndSaysNothingWithoutSessionOrAccessibilityBus) {
  std::vector<std::string> reported;
  SetDiagnosticSink([&](const std::string& line) { reported.push_back(line); });
  ScratchDir dir;
  const std::string dead_bus = "unix:path=" + dir.File("no-bus-here");
  for (const char* accessibility_bus : {static_cast<const char*>(nullptr), dead_bus.c_str()}) {
    ScopedEnv no_session("DBUS_SESSION_BUS_ADDRESS", nullptr);
    ScopedEnv no_runtime_dir("XDG_RUNTIME_DIR", nullptr);
    ScopedEnv no_display("DISPLAY", nullptr);
    ScopedEnv accessibility("AT_SPI_BUS_ADDRESS", accessibility_bus);
    TCppShellWindows windows;
    windows.Connect();
    long count = -1;
    EXPECT_EQ(windows.get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(GetForegroundWindow(), 0u);
  }
  SetDiagnosticSink({});
  EXPECT_TRUE(reported.empty());
}

}  // namespace
}  // namespace parlotto
