// Speaking through the control: what reaches the audio, when AudioStop
// comes, the trace, and input that must neither crash nor hang.
#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <regex>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/loop/clock.h"
#include "xvoice_fixture.h"

namespace parlotto::testing {
namespace {

const QString kSentence = QStringLiteral("Guten Tag, heute lesen wir einen Text über das Wetter.");

using SpeakingTest = XVoiceTest;

std::int16_t Peak(const std::vector<std::int16_t>& samples) {
  int peak = 0;
  for (std::int16_t s : samples) peak = std::max(peak, std::abs(int{s}));
  return static_cast<std::int16_t>(peak);
}

TEST_F(SpeakingTest, TheSameTextGivesAudioOfTheSameLengthEveryTime) {
  std::int64_t first = SpeakAndMeasure(kSentence);
  std::int64_t second = SpeakAndMeasure(kSentence);
  EXPECT_GT(first, 22050);  // more than a quarter second of stereo audio
  ExpectSameLength(first, second);
  WavInfo wav = ReadWav(wav_);
  EXPECT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.sample_rate, 22050);
}

TEST_F(SpeakingTest, SpeedTagsActWhereTheyStandAndAreNotSpoken) {
  std::int64_t normal = SpeakAndMeasure(kSentence);
  std::int64_t tagged = SpeakAndMeasure(QStringLiteral("\\Spd=350\\") + kSentence);
  EXPECT_LT(tagged, normal * 3 / 4);
  // The tag does what the property does, so nothing of it is spoken.
  PutLong(QStringLiteral("Speed"), 350);
  ExpectSameLength(SpeakAndMeasure(kSentence), tagged);
  // A tag holds until the end of its text only.
  PutLong(QStringLiteral("Speed"), 175);
  ExpectSameLength(SpeakAndMeasure(kSentence), normal);
  // Tags this runtime does not act on are skipped, in any case of name.
  ExpectSameLength(SpeakAndMeasure(QStringLiteral("\\Mrk=1\\\\chr=\"Whisper\"\\") + kSentence),
                   normal);
  ExpectSameLength(SpeakAndMeasure(QStringLiteral("\\spd=175\\") + kSentence), normal);
}

TEST_F(SpeakingTest, VolumeSetsTheLevelAndTheBalanceOfTheChannels) {
  PutLong(QStringLiteral("VolumeLeft"), 0);
  PutLong(QStringLiteral("VolumeRight"), 65535);
  std::int64_t at = ReadWav(wav_).frames();
  SpeakAndMeasure(kSentence);
  EXPECT_EQ(Peak(ChannelSamples(wav_, 0, at)), 0);
  EXPECT_GT(Peak(ChannelSamples(wav_, 1, at)), 10000);

  // Half on the left: the left channel at half the right's level.
  PutLong(QStringLiteral("VolumeLeft"), 32768);
  at = ReadWav(wav_).frames();
  SpeakAndMeasure(kSentence);
  std::int16_t left = Peak(ChannelSamples(wav_, 0, at));
  std::int16_t right = Peak(ChannelSamples(wav_, 1, at));
  EXPECT_GT(right, 10000);
  EXPECT_NEAR(left, right / 2.0, 2);

  // \Vol= sets the overall level; zero gives silence of the same length.
  std::int64_t normal = SpeakAndMeasure(kSentence);
  at = ReadWav(wav_).frames();
  ExpectSameLength(SpeakAndMeasure(QStringLiteral("\\Vol=0\\") + kSentence), normal);
  EXPECT_EQ(Peak(ChannelSamples(wav_, 1, at)), 0);
}

TEST_F(SpeakingTest, CurrentModeChangesTheVoice) {
  SpeakAndMeasure(kSentence);
  std::vector<std::int16_t> german = ChannelSamples(wav_, 1);
  LONG count = GetLong(QStringLiteral("CountEngines"));
  LONG english = 0;
  for (LONG mode = 1; mode <= count && english == 0; ++mode) {
    VARIANT name;
    ASSERT_EQ(Call(control_.Get(), QStringLiteral("ModeName"), {VARIANT::I4(mode)}, &name), S_OK);
    if (name.bstrVal == QLatin1String("English (Great Britain)")) english = mode;
  }
  ASSERT_NE(english, 0);
  PutLong(QStringLiteral("CurrentMode"), english);
  std::int64_t at = ReadWav(wav_).frames();
  SpeakAndMeasure(kSentence);
  EXPECT_NE(ChannelSamples(wav_, 1, at), german);
}

TEST_F(SpeakingTest, AFileUtteranceLargerThanItsBufferIsWrittenWhole) {
  // A file's playback starts only once enough is synthesised; an utterance
  // of more than the 16 MB that may wait unread must not stall on that.
  QString text;
  for (int i = 0; i < 64; ++i) text += kSentence + u' ';
  const std::int64_t bytes = SpeakAndMeasure(text);
  EXPECT_GT(bytes, std::int64_t{16} << 20);
  EXPECT_EQ(sink_->events.size(), 1u);
}

TEST_F(SpeakingTest, AudioStopComesOncePerSpeakInOrder) {
  // One at a time, the file is complete when the event comes.
  sink_->on_event = [&] { EXPECT_TRUE(ReadWav(wav_).complete()); };
  Speak(QStringLiteral("Eins."));
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 1; }));
  std::int64_t first = ReadWav(wav_).data_bytes;
  EXPECT_GT(first, 0);
  // Queued texts end in order; the file grows by each.
  sink_->on_event = nullptr;
  Speak(QStringLiteral("Zwei\r\nund\ndrei."));
  Speak(QString());
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 3; }));
  SpinUntil([] { return false; }, 100);
  WavInfo wav = ReadWav(wav_);
  EXPECT_TRUE(wav.complete());
  EXPECT_GT(wav.data_bytes, 2 * first);
  // The event carries the time the audio ended, in two halves.
  for (const EventSink::Event& event : sink_->events) {
    EXPECT_EQ(event.id, DISPID_DirectSSEvents_AudioStop);
    ASSERT_EQ(event.args.size(), 2u);
    std::int64_t end =
        (std::int64_t{event.args[0].lVal} << 32) | static_cast<std::uint32_t>(event.args[1].lVal);
    EXPECT_LE(end, event.at_ms);
    EXPECT_GT(end, event.at_ms - 5000);
  }
  // Nothing more comes.
  SpinUntil([] { return false; }, 300);
  EXPECT_EQ(sink_->events.size(), 3u);

  // The trace: each text as handed over, line breaks as \n, and the ends.
  std::vector<std::string> lines = TraceLines();
  const char* expected[] = {"speak Eins.", "audio-stop", "speak Zwei\\nund\\ndrei.",
                            "speak ",      "audio-stop", "audio-stop"};
  ASSERT_EQ(lines.size(), std::size(expected));
  std::regex line("^([0-9]+) (.*)$");
  std::int64_t last = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, line)) << lines[i];
    EXPECT_EQ(match[2], expected[i]);
    std::int64_t at = std::stoll(match[1]);
    EXPECT_GE(at, last);
    last = at;
  }
}

TEST_F(SpeakingTest, AFileRemovedOrReplacedBetweenTextsIsStartedAnew) {
  // The file stays open from one text to the next; one that is gone or
  // another file by now must not swallow the next text's audio.
  const std::int64_t one = SpeakAndMeasure(QStringLiteral("Eins."));
  ASSERT_EQ(::unlink(wav_.c_str()), 0);
  SpeakAndMeasure(QStringLiteral("Eins."));
  WavInfo wav = ReadWav(wav_);
  EXPECT_TRUE(wav.complete());
  ExpectSameLength(wav.data_bytes, one);

  const std::string other = wav_ + ".other";
  SpeakAndMeasure(QStringLiteral("Eins."));
  ASSERT_TRUE(QFile::copy(QString::fromStdString(wav_), QString::fromStdString(other)));
  ASSERT_EQ(::rename(other.c_str(), wav_.c_str()), 0);
  ExpectSameLength(SpeakAndMeasure(QStringLiteral("Eins.")), one);
}

TEST_F(SpeakingTest, NullAudioTakesAsLongAsTheAudioLasts) {
  std::int64_t bytes = SpeakAndMeasure(kSentence);
  std::int64_t duration_ms = bytes * 1000 / (std::int64_t{22050} * 4);
  ScopedEnv null_audio("PARLOTTO_AUDIO", "null");
  std::int64_t spoken = MonotonicMs();
  Speak(kSentence);
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 2; }));
  EXPECT_GE(sink_->events[1].at_ms - spoken, duration_ms);
}

TEST_F(SpeakingTest, AnUnwritableFileStillEndsTheSpeech) {
  WriteFile(dir_.File("plain"), "not a directory");
  ScopedEnv bad("PARLOTTO_AUDIO", ("wav:" + dir_.File("plain") + "/speech.wav").c_str());
  Speak(kSentence);
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 1; }));
  EXPECT_TRUE(Logged("speech runtime: WAV file")) << (log_.empty() ? "" : log_.back());
  // So does a value that names no output: it is taken as the default.
  ScopedEnv odd("PARLOTTO_AUDIO", "speakers");
  ScopedEnv no_server("PULSE_SERVER", "unix:/nonexistent/pulse");
  Speak(QStringLiteral("Ja."));
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 2; }));
  EXPECT_TRUE(Logged("PARLOTTO_AUDIO=\"speakers\""));
}

TEST_F(SpeakingTest, WithoutADeviceTheDefaultWritesTheCacheFileInRealTime) {
  ScopedEnv default_audio("PARLOTTO_AUDIO", "default");
  ScopedEnv no_server("PULSE_SERVER", "unix:/nonexistent/pulse");
  // The file's path is named on stderr, once.
  std::string err_file = dir_.File("stderr.txt");
  int saved = dup(2);
  int redirected = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(redirected, 2);
  close(redirected);
  Speak(QStringLiteral("Hallo."));
  Speak(QStringLiteral("Hallo."));
  bool ended = SpinUntil([&] { return sink_->events.size() == 2; });
  dup2(saved, 2);
  close(saved);
  ASSERT_TRUE(ended);
  std::string cached = dir_.File("cache") + "/parlotto/speech.wav";
  WavInfo wav = ReadWav(cached);
  ASSERT_TRUE(wav.complete());
  EXPECT_GE(sink_->events[1].at_ms - sink_->events[0].at_ms, wav.duration_ms() / 2 - 20);
  std::string err = ReadFile(err_file);
  EXPECT_NE(err.find(cached), std::string::npos) << err;
  EXPECT_EQ(err.find(cached), err.rfind(cached));
}

// Plays through the desktop's audio, so it runs only when asked to, e.g.
// on a PulseAudio null sink: PARLOTTO_TEST_AUDIO_DEVICE=1 (scripts/test.sh
// starts one). Asked to, it fails without a device rather than skip, so that
// a broken device path cannot pass unseen.
TEST_F(SpeakingTest, OnADeviceAudioStopComesOnceTheAudioHasPlayed) {
  if (std::getenv("PARLOTTO_TEST_AUDIO_DEVICE") == nullptr) {
    GTEST_SKIP() << "set PARLOTTO_TEST_AUDIO_DEVICE=1 to play through the audio device";
  }
  std::int64_t duration_ms = SpeakAndMeasure(kSentence) * 1000 / (std::int64_t{22050} * 4);
  ScopedEnv default_audio("PARLOTTO_AUDIO", "default");
  std::int64_t spoken = MonotonicMs();
  Speak(kSentence);
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 2; }));
  // The audio backend looks for devices once per process.
  ASSERT_FALSE(ReadWav(dir_.File("cache") + "/parlotto/speech.wav").valid)
      << "no audio device reached; the backend looks for devices once per process, so run this "
         "test alone";
  EXPECT_GE(sink_->events[1].at_ms - spoken, duration_ms);
  EXPECT_TRUE(log_.empty()) << log_.front();
}

TEST_F(SpeakingTest, AudioResetEndsEveryTextAtOnce) {
  ScopedEnv null_audio("PARLOTTO_AUDIO", "null");
  QString long_text;
  for (int i = 0; i < 200; ++i) long_text += kSentence + QLatin1Char(' ');  // minutes of audio
  Speak(long_text);
  Speak(long_text);
  SpinUntil([] { return false; }, 200);
  EXPECT_TRUE(sink_->events.empty());
  ASSERT_EQ(Call(control_.Get(), QStringLiteral("AudioReset"), {}), S_OK);
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 2; }, 10000));
  // The control speaks on afterwards.
  Speak(QStringLiteral("Weiter."));
  EXPECT_TRUE(SpinUntil([&] { return sink_->events.size() == 3; }));
}

TEST_F(SpeakingTest, ControlsGoingAwayWhileSpeakingStopCleanly) {
  ScopedEnv null_audio("PARLOTTO_AUDIO", "null");
  QString long_text;
  for (int i = 0; i < 200; ++i) long_text += kSentence + QLatin1Char(' ');
  ComPtr<IDispatch> other = CreateControl();
  ComPtr<EventSink> other_sink = Advise(other.Get());
  Speak(long_text);
  EXPECT_EQ(Call(other.Get(), QStringLiteral("Speak"), {VARIANT::Bstr(QStringLiteral("Ja."))}),
            S_OK);
  SpinUntil([] { return false; }, 100);
  // The first control goes with its text unspoken; the second one's text,
  // queued behind it, is played at once.
  sink_.Reset();
  control_.Reset();
  EXPECT_TRUE(SpinUntil([&] { return other_sink->events.size() == 1; }, 10000));
  // With every control gone the machinery stops, and starts again.
  other_sink.Reset();
  other.Reset();
  control_ = CreateControl();
  sink_ = Advise(control_.Get());
  Speak(QStringLiteral("Ja."));
  EXPECT_TRUE(SpinUntil([&] { return sink_->events.size() == 1; }));
}

TEST_F(SpeakingTest, HandlersMaySpeakUnadviseAndReleaseInsideTheEvent) {
  // Speaking again from the handler, as a reading loop does.
  int spoken = 0;
  sink_->on_event = [&] {
    if (++spoken < 3) Speak(QStringLiteral("Noch einmal."));
  };
  Speak(QStringLiteral("Los."));
  ASSERT_TRUE(SpinUntil([&] { return sink_->events.size() == 3; }));

  // Releasing the last reference from inside the handler.
  DWORD cookie = 0;
  ComPtr<EventSink> last = Advise(control_.Get(), &cookie);
  sink_->on_event = [&] { control_.Reset(); };
  Speak(QStringLiteral("Ende."));
  ASSERT_TRUE(SpinUntil([&] { return !control_; }));
  SpinUntil([] { return false; }, 100);
  // The control lived on until every sink had heard the event.
  EXPECT_EQ(last->events.size(), 1u);
}

TEST_F(SpeakingTest, BrokenAndHostileTextIsSpokenWithoutHarm) {
  std::int64_t plain = SpeakAndMeasure(QStringLiteral(" 80S Hallo Welt"));
  // espeak-ng's own command character in a text is not obeyed.
  ExpectSameLength(SpeakAndMeasure(QString(QChar(0x01)) + QStringLiteral("80S Hallo Welt")), plain);

  const QString broken[] = {
      QStringLiteral("Hallo ") + QChar(0xD800) + QStringLiteral(" Welt ") + QChar(0xDC00),
      QString(QChar(0)) + QStringLiteral("Hallo") + QChar(0) + QChar(0x1B) + QChar(0xFFFF),
      QStringLiteral("\\Spd=schnell\\ \\Pit=\\ \\Vol= 9 9\\ Hallo"),
      QStringLiteral("C:\\Programme\\ \\Spd=200 ohne Ende \\\\ \\"),
      QStringLiteral("\\Spd=-99999999999999999999\\ \\Pit=99999999999\\ \\Vol=-1\\ Hallo"),
      QStringLiteral("\\") + QString(300, QLatin1Char('x')) + QStringLiteral("\\ Hallo"),
      QStringLiteral("<speak><voice name=\"x\">Hallo</voice></speak> [[h@l'oU]] & %s %n"),
  };
  for (const QString& text : broken) {
    EXPECT_GT(SpeakAndMeasure(text), 0) << text.toStdString();
  }
  EXPECT_TRUE(Logged("speech tag \\Spd=schnell\\ has no number"));

  // One word of 20 000 letters, and a text of a million characters that
  // is dropped while it is being spoken.
  EXPECT_GT(SpeakAndMeasure(QString(20000, QLatin1Char('a'))), 0);
  ScopedEnv null_audio("PARLOTTO_AUDIO", "null");
  QString huge;
  while (huge.size() < 1'000'000) huge += kSentence + QStringLiteral("\n");
  std::size_t before = sink_->events.size();
  Speak(huge);
  SpinUntil([] { return false; }, 200);
  ASSERT_EQ(Call(control_.Get(), QStringLiteral("AudioReset"), {}), S_OK);
  EXPECT_TRUE(SpinUntil([&] { return sink_->events.size() == before + 1; }, 10000));
}

}  // namespace
}  // namespace parlotto::testing
