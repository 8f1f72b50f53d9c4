// The real program's end when things go wrong or a signal comes: it must
// never run on unseen, and a signal ends a reading quickly and quietly.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::TraceEvents;

class MainTest : public ::testing::Test {
 protected:
  MainTest() {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
    env_ = testing::ProgramEnvironment(dir_, trace_);
    env_.remove("PARLOTTO_TIME_SCALE");
  }

  void Start(const QStringList& args) {
    process_.setProcessEnvironment(env_);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), args);
    ASSERT_TRUE(process_.waitForStarted());
  }

  ~MainTest() override {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished();
    }
  }

  ScratchDir dir_;
  std::string trace_ = dir_.File("trace.txt");
  QProcessEnvironment env_;
  QProcess process_;
};

TEST_F(MainTest, ASpeechRuntimeThatCannotBeLoadedIsLoggedAndTheProgramStillEnds) {
  const std::string system = dir_.File("system");
  std::filesystem::create_directories(system + "/speech");
  const std::string library = system + "/speech/xvoice.so";
  testing::WriteFile(library, "kein Programm, nur Text");
  struct Case {
    const char* name;
    std::string classes;
  };
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  const Case cases[] = {
      {"the class is not registered", header},
      {"the registered library is no library",
       header + "[HKEY_CLASSES_ROOT\\CLSID\\{EEE78591-FE22-11D0-8BEF-0060081841DE}]\n" +
           "@=\"DirectSS Class\"\n\n" +
           "[HKEY_CLASSES_ROOT\\CLSID\\{EEE78591-FE22-11D0-8BEF-0060081841DE}\\InprocServer32]\n" +
           "@=\"" + library + "\"\n\"ThreadingModel\"=\"Apartment\"\n"},
  };
  env_.insert("PARLOTTO_SYSTEM_DIR", QString::fromStdString(system));
  env_.insert("PARLOTTO_TIME_SCALE", "0.05");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::WriteFile(system + "/classes.reg", c.classes);
    std::filesystem::remove(dir_.File("vocatodebug.log"));
    Start({"-d", "Hallo"});
    // Start, end timer and the end's wait take 0.4 s at this scale.
    const bool ended = process_.waitForFinished(30000);
    ASSERT_TRUE(ended) << "the program runs on unseen";
    EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process_.exitCode(), 0);
    const std::string log = ReadFile(dir_.File("vocatodebug.log"));
    EXPECT_NE(log.find("DirectSS: "), std::string::npos) << log;
    EXPECT_TRUE(TraceEvents(trace_).empty());
  }
}

TEST_F(MainTest, ATerminationSignalSilencesTheReadingAndEndsTheProgramAtOnce) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "Dies ist der Satz Nummer " + std::to_string(i) + ".\n";
  Start({"-d", QString::fromStdString(text)});
  QElapsedTimer waited;
  waited.start();
  while (TraceEvents(trace_).empty() && waited.elapsed() < 30000) process_.waitForFinished(20);
  ASSERT_EQ(TraceEvents(trace_), std::vector<std::string>{"speak"});
  // Into the first sentence, which takes about two seconds to say.
  process_.waitForFinished(300);
  ASSERT_EQ(process_.state(), QProcess::Running);

  kill(static_cast<pid_t>(process_.processId()), SIGTERM);
  // Not the seven seconds of the end after a reading.
  const bool ended = process_.waitForFinished(1500);
  ASSERT_TRUE(ended) << "still running 1.5 s after the signal";
  EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process_.exitCode(), 0);
  // The sentence under way was cut off and ended; nothing was said after it.
  EXPECT_EQ(TraceEvents(trace_), (std::vector<std::string>{"speak", "audio-stop"}));
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
}

}  // namespace
}  // namespace parlotto
