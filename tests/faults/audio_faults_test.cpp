// The audio device taken away while the program speaks through it: a
// PulseAudio daemon of the test's own (so that parallel tests keep theirs)
// with one null sink, whose module is unloaded in the middle of a piece.
#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "faults/fault_support.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using testing::Joined;
using testing::LogLines;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WaitUntil;

// A sound server that only this test talks to, ended with the object.
class OwnSoundServer {
 public:
  explicit OwnSoundServer(const ScratchDir& dir) {
    // Socket paths are short; the scratch directory's is.
    runtime_ = dir.File("pulse");
    fs::create_directories(runtime_);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_RUNTIME_PATH", QString::fromStdString(runtime_));
    daemon_.setProcessEnvironment(env);
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_.start(
        QStringLiteral("pulseaudio"),
        {"--daemonize=no", "--system=false", "--disallow-exit", "--exit-idle-time=-1", "-n",
         "--use-pid-file=no", "--log-target=file:" + QString::fromStdString(dir.File("pulse.log")),
         "--load=module-native-protocol-unix auth-anonymous=1"});
    ready_ = daemon_.waitForStarted(10000) &&
             WaitUntil([this] { return Pactl({"info"}).has_value(); }, 10000);
  }
  ~OwnSoundServer() {
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }
  OwnSoundServer(const OwnSoundServer&) = delete;
  OwnSoundServer& operator=(const OwnSoundServer&) = delete;

  bool ready() const { return ready_; }
  const std::string& runtime() const { return runtime_; }

  // pactl's output, or nothing when it failed.
  std::optional<std::string> Pactl(const QStringList& args) {
    QProcess pactl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_RUNTIME_PATH", QString::fromStdString(runtime_));
    pactl.setProcessEnvironment(env);
    pactl.start(QStringLiteral("pactl"), args);
    if (!pactl.waitForFinished(10000) || pactl.exitStatus() != QProcess::NormalExit ||
        pactl.exitCode() != 0) {
      return std::nullopt;
    }
    return pactl.readAllStandardOutput().trimmed().toStdString();
  }

 private:
  std::string runtime_;
  QProcess daemon_;
  bool ready_ = false;
};

TEST(AudioFault, TheSinkUnloadedInTheMiddleOfAPieceEndsItsSpeechAndTheLogCallsTheDeviceGone) {
  if (std::getenv("PARLOTTO_TEST_AUDIO_DEVICE") == nullptr) {
    GTEST_SKIP() << "no PulseAudio for the tests (PARLOTTO_TEST_AUDIO_DEVICE)";
  }
  ScratchDir dir;
  OwnSoundServer sound(dir);
  ASSERT_TRUE(sound.ready()) << ReadFile(dir.File("pulse.log"));
  const std::optional<std::string> module =
      sound.Pactl({"load-module", "module-null-sink", "sink_name=parlotto_fault"});
  ASSERT_TRUE(module.has_value());

  testing::WriteHiveWithKeptValues(dir, false);
  const std::string trace = dir.File("trace.txt");
  QProcessEnvironment env = testing::ProgramEnvironment(dir, trace);
  env.insert("PARLOTTO_AUDIO", "default");
  env.insert("PULSE_RUNTIME_PATH", QString::fromStdString(sound.runtime()));
  env.insert("XDG_CACHE_HOME", QString::fromStdString(dir.File("cache")));
  testing::ProcessMark mark;
  testing::MarkedProgram program(mark, env, dir);
  // Long enough to unload the sink while it is spoken.
  std::string first = "Erster Teil";
  while (first.size() < 580) first += " und noch ein Wort mehr";
  ASSERT_TRUE(program.Start(
      {QStringLiteral("-d"), QString::fromStdString(first + ". Zweiter Teil. Dritter Teil.")}));
  ASSERT_TRUE(WaitUntil([&] { return !testing::TraceEvents(trace).empty(); }, 30000));
  // Playing: the sink has an input of the program's.
  ASSERT_TRUE(WaitUntil(
      [&] {
        const std::optional<std::string> inputs = sound.Pactl({"list", "short", "sink-inputs"});
        return inputs.has_value() && !inputs->empty();
      },
      10000));
  ASSERT_TRUE(sound.Pactl({"unload-module", QString::fromStdString(*module)}).has_value());
  // The piece ends as soon as the sound server no longer lists the device,
  // not after the 5 s that a device that only hangs is given.
  ASSERT_TRUE(WaitUntil([&] { return testing::TraceEvents(trace).size() >= 2; }, 4000));

  EXPECT_TRUE(program.EndsWithin(30000));
  const std::vector<std::string> log = LogLines(dir);
  ASSERT_EQ(log.size(), 1u) << Joined(log);
  // Said as it is: gone, not slow.
  EXPECT_TRUE(log[0].starts_with("speech runtime: audio device \"")) << log[0];
  EXPECT_TRUE(log[0].ends_with("\" is gone; the speech ends here")) << log[0];
  EXPECT_EQ(testing::LostValues(dir), "");
  EXPECT_TRUE(mark.NoneLeftWithin(20000)) << Describe(mark.Living());
  // The piece ends where its sound was cut off.
  EXPECT_EQ(testing::TraceEvents(trace), (std::vector<std::string>{"speak", "audio-stop"}))
      << ReadFile(trace);
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")), "");
}

}  // namespace
}  // namespace parlotto
