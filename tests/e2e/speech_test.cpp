// Reading aloud end to end: the real program and speech runtime, speaking
// into a WAV file; what was spoken is read back from the speech trace.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScratchDir;

class SpeechTest : public ::testing::Test {
 protected:
  SpeechTest() {
    testing::WriteFile(dir_.File("user.reg"), testing::kReadAloudWithoutCharacterHive);
  }

  QProcessEnvironment Environment(const QString& audio) {
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, dir_.File("trace.txt"));
    env.insert("PARLOTTO_AUDIO", audio);
    env.insert("PARLOTTO_TIME_SCALE", "0.02");
    return env;
  }

  void Start(const QStringList& args, const QString& audio) {
    process_.setProcessEnvironment(Environment(audio));
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), args);
    ASSERT_TRUE(process_.waitForStarted());
  }

  // Speaks `text` with -d into a WAV file and waits for the program's end.
  void Speak(const std::string& text) {
    Start({"-d", QString::fromStdString(text)},
          QString::fromStdString("wav:" + dir_.File("speech.wav")));
    ASSERT_TRUE(process_.waitForFinished(120000));
    EXPECT_EQ(process_.exitCode(), 0);
  }

  // The texts of the trace's "speak" lines, and the number of audio ends.
  std::vector<std::string> Spoken(int* audio_stops = nullptr) {
    const std::string trace = dir_.File("trace.txt");
    if (audio_stops) {
      const std::vector<std::string> events = testing::TraceEvents(trace);
      *audio_stops = static_cast<int>(std::count(events.begin(), events.end(), "audio-stop"));
    }
    return testing::SpokenTexts(trace);
  }

  ScratchDir dir_;
  QProcess process_;
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

TEST_F(SpeechTest, ACommandLineTextIsSpokenAndTheProgramEnds) {
  Speak("Guten Tag, ich lese Ihnen etwas vor.");
  int stops = 0;
  EXPECT_EQ(Spoken(&stops), std::vector<std::string>{"Guten Tag, ich lese Ihnen etwas vor."});
  EXPECT_EQ(stops, 1);
  EXPECT_GT(ReadFile(dir_.File("speech.wav")).size(), 44u);
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
}

TEST_F(SpeechTest, UpTo600CharactersGoAsOnePieceAndLongerOnesAsLines) {
  Speak(Repeat('a', 600));
  EXPECT_EQ(Spoken(), std::vector<std::string>{Repeat('a', 600)});
}

TEST_F(SpeechTest, A601CharacterLineGoesWithItsSpace) {
  Speak(Repeat('b', 601));
  EXPECT_EQ(Spoken(), std::vector<std::string>{Repeat('b', 601) + " "});
}

TEST_F(SpeechTest, SentenceEndsCutOnlyWhenTheFirstOneIsPastTheThirdCharacter) {
  const std::string filler = Repeat('x', 620);
  Speak("Hallo.\nJa. Nein\nEin Satz.\nNoch einer!\n" + filler);
  EXPECT_EQ(Spoken(),
            (std::vector<std::string>{"Hallo. ", "Ja. Nein Ein Satz. Noch einer! ", filler + " "}));
}

TEST_F(SpeechTest, EveryKindOfLineBreakJoinsLinesWithOneSpace) {
  const std::string filler = Repeat('y', 600);
  Speak("eins\rzwei\nurei\r\nvier\n" + filler + "\r\n");
  EXPECT_EQ(Spoken(), (std::vector<std::string>{"eins zwei urei vier " + filler + " "}));
}

TEST_F(SpeechTest, WithoutTheSpeechRuntimeTheSapiDialogShowsAndTheProgramEnds) {
  QProcessEnvironment env = Environment("null");
  env.insert("PARLOTTO_SYSTEM_DIR", QString::fromStdString(dir_.File("no-system")));
  process_.setProcessEnvironment(env);
  process_.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), {"-d", "Hallo"});
  ASSERT_TRUE(process_.waitForFinished(60000));
  EXPECT_EQ(process_.exitCode(), 0);
  std::string dialogs = ReadFile(dir_.File("dialogs.txt"));
  EXPECT_EQ(dialogs.rfind("SAPI nicht installiert!\tLeider ist SAPI nicht installiert.", 0), 0u)
      << dialogs;
  EXPECT_TRUE(Spoken().empty());
}

TEST_F(SpeechTest, EndingTheProgramStopsTheReadingAtTheNextCheck) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "Dies ist der Satz Nummer " + std::to_string(i) + ".\n";
  text += Repeat('z', 600);
  Start({"-d", QString::fromStdString(text)}, "null");
  QElapsedTimer waited;
  waited.start();
  while (Spoken().empty() && waited.elapsed() < 30000) process_.waitForFinished(50);
  ASSERT_EQ(Spoken().size(), 1u);
  kill(static_cast<pid_t>(process_.processId()), SIGTERM);
  QElapsedTimer ending;
  ending.start();
  ASSERT_TRUE(process_.waitForFinished(30000));
  EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(Spoken().size(), 1u);
}

}  // namespace
}  // namespace parlotto
