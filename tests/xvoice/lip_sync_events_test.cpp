// WordPosition and MouthShape of the loaded control: which words and
// shapes come, in what order, and not before their audio.
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/typeinfo.h"
#include "platform/loop/clock.h"
#include "xvoice_fixture.h"

namespace parlotto::testing {
namespace {

class LipSyncTest : public XVoiceTest {
 protected:
  LipSyncTest() {
    if (sink_) sink_->lip_sync = true;
    PutLong(QStringLiteral("LipSync"), 1);
  }

  // Speaks and waits for the text's AudioStop; the events that came.
  std::vector<EventSink::Event> SpeakAndCollect(const QString& text) {
    std::size_t from = sink_->events.size();
    Speak(text);
    EXPECT_TRUE(SpinUntil([&] { return StopsSince(from) > 0; }));
    return {sink_->events.begin() + static_cast<std::ptrdiff_t>(from), sink_->events.end()};
  }

  std::size_t StopsSince(std::size_t from) const {
    return static_cast<std::size_t>(std::count_if(
        sink_->events.begin() + static_cast<std::ptrdiff_t>(from), sink_->events.end(),
        [](const EventSink::Event& e) { return e.id == DISPID_DirectSSEvents_AudioStop; }));
  }

  // The slices of `text` that the WordPosition events name, in order.
  static std::vector<QString> Words(const QString& text,
                                    const std::vector<EventSink::Event>& events) {
    std::vector<QString> words;
    for (const EventSink::Event& e : events) {
      if (e.id != DISPID_DirectSSEvents_WordPosition) continue;
      EXPECT_EQ(e.args.size(), 2u);
      words.push_back(text.mid(e.args[0].lVal, e.args[1].lVal));
    }
    return words;
  }

  void ExpectAWordInTheMiddleNotBeforeItsAudio(const char* audio);

  static std::vector<LONG> Shapes(const std::vector<EventSink::Event>& events) {
    std::vector<LONG> shapes;
    for (const EventSink::Event& e : events) {
      if (e.id == DISPID_DirectSSEvents_MouthShape) shapes.push_back(e.args.at(0).lVal);
    }
    return shapes;
  }
};

// IDispatch sinks and the shell learn the events from the type library.
TEST_F(LipSyncTest, TheTypeLibraryDescribesTheLipSyncEvents) {
  ComPtr<ITypeInfo> control_info;
  ASSERT_EQ(control_->GetTypeInfo(0, 0, control_info.Receive()), S_OK);
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  ASSERT_EQ(control_info->GetContainingTypeLib(lib.Receive(), &index), S_OK);
  ComPtr<ITypeInfo> events;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(DIID_DirectSSEvents, events.Receive()), S_OK);
  std::vector<FUNCDESC> funcs;
  ASSERT_EQ(events->GetAllFuncs(&funcs), S_OK);
  auto find = [&](DISPID id) {
    return std::find_if(funcs.begin(), funcs.end(),
                        [&](const FUNCDESC& f) { return f.memid == id; });
  };
  auto word = find(DISPID_DirectSSEvents_WordPosition);
  ASSERT_NE(word, funcs.end());
  EXPECT_EQ(word->name, QStringLiteral("WordPosition"));
  ASSERT_EQ(word->params.size(), 2u);
  EXPECT_EQ(word->params[0].vt, VT_I4);
  EXPECT_EQ(word->params[1].vt, VT_I4);
  auto mouth = find(DISPID_DirectSSEvents_MouthShape);
  ASSERT_NE(mouth, funcs.end());
  EXPECT_EQ(mouth->name, QStringLiteral("MouthShape"));
  ASSERT_EQ(mouth->params.size(), 1u);
  EXPECT_EQ(mouth->params[0].vt, VT_I4);
}

TEST_F(LipSyncTest, WordPositionsNameEachWordOfTheTextAsGivenInOrderBeforeAudioStop) {
  // The leading tag is counted in the positions: they index the text as
  // handed to Speak, umlauts and ß one unit each.
  const QString text = QStringLiteral("\\Spd=150\\Schöne Grüße aus Köln, über die Straße.");
  std::vector<EventSink::Event> events = SpeakAndCollect(text);
  std::vector<QString> expected = {"Schöne", "Grüße", "aus", "Köln", "über", "die", "Straße"};
  EXPECT_EQ(Words(text, events), expected);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().id, DISPID_DirectSSEvents_AudioStop);
  EXPECT_EQ(StopsSince(0), 1u);

  // Tags in the middle of the text, one that ends a word among them.
  const QString tagged = QStringLiteral("Guten Tag, \\Pit=150\\schöne\\Spd=300\\ \\Mrk=2\\Grüße.");
  expected = {"Guten", "Tag", "schöne", "Grüße"};
  EXPECT_EQ(Words(tagged, SpeakAndCollect(tagged)), expected);
  // Apostrophes, quotes and abbreviations.
  const QString quoted = QStringLiteral("Er sagt: \"Das geht's nicht\" - sagt's z.B. heute.");
  expected = {"Er", "sagt", "Das", "geht's", "nicht", "sagt's", "z.B", "heute"};
  EXPECT_EQ(Words(quoted, SpeakAndCollect(quoted)), expected);
}

TEST_F(LipSyncTest, OnlyAControlAskedForLipSyncSendsIt) {
  PutLong(QStringLiteral("LipSync"), 0);
  EXPECT_EQ(GetLong(QStringLiteral("LipSync")), 0);
  std::vector<EventSink::Event> events = SpeakAndCollect(QStringLiteral("Mama baut."));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, DISPID_DirectSSEvents_AudioStop);
  PutLong(QStringLiteral("LipSync"), 1);
  EXPECT_EQ(GetLong(QStringLiteral("LipSync")), 1);
  EXPECT_GT(SpeakAndCollect(QStringLiteral("Mama baut.")).size(), 3u);
}

TEST_F(LipSyncTest, MouthShapesFollowTheSoundsAndEndAtRestBeforeAudioStop) {
  std::vector<EventSink::Event> events = SpeakAndCollect(QStringLiteral("Mama baut"));
  std::vector<LONG> shapes = Shapes(events);
  ASSERT_GE(shapes.size(), 4u);
  for (LONG shape : {kMouthClosed, kMouthOpen, kMouthRound, kMouthTongue}) {
    EXPECT_NE(std::find(shapes.begin(), shapes.end(), shape), shapes.end()) << shape;
  }
  // "Ma": lips pressed, then opened.
  auto closed = std::find(shapes.begin(), shapes.end(), kMouthClosed);
  ASSERT_NE(closed + 1, shapes.end());
  EXPECT_EQ(closed[1], kMouthOpen);
  // Each event tells of a change; the last one closes the mouth, just
  // before the end.
  EXPECT_EQ(std::adjacent_find(shapes.begin(), shapes.end()), shapes.end());
  EXPECT_EQ(shapes.back(), kMouthRest);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2].id, DISPID_DirectSSEvents_MouthShape);
  for (LONG shape : shapes) {
    EXPECT_GE(shape, kMouthRest);
    EXPECT_LT(shape, kMouthShapeCount);
  }
}

TEST_F(LipSyncTest, AResetStopsTheEventsOfTheDroppedTextAtOnce) {
  ScopedEnv null_audio("PARLOTTO_AUDIO", "null");
  QString long_text;
  for (int i = 0; i < 50; ++i) long_text += QStringLiteral("Der Regen fiel auf das Dach. ");
  Speak(long_text);
  ASSERT_TRUE(SpinUntil([&] { return Words(long_text, sink_->events).size() >= 2; }, 10000));
  // The main thread is busy while the audio plays on: the audio thread's
  // messages for the next words wait in the queue when the reset comes.
  std::size_t before_busy = sink_->events.size();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ASSERT_EQ(sink_->events.size(), before_busy);
  ASSERT_EQ(Call(control_.Get(), QStringLiteral("AudioReset"), {}), S_OK);
  std::size_t at_reset = sink_->events.size();
  ASSERT_TRUE(SpinUntil([&] { return StopsSince(0) == 1; }, 10000));
  // Anything already posted by the audio thread stays unsent too.
  SpinUntil([] { return false; }, 300);
  ASSERT_EQ(sink_->events.size(), at_reset + 1);
  EXPECT_EQ(sink_->events.back().id, DISPID_DirectSSEvents_AudioStop);

  // The next text has its events again.
  std::vector<EventSink::Event> next = SpeakAndCollect(QStringLiteral("Weiter."));
  EXPECT_EQ(Words(QStringLiteral("Weiter."), next), std::vector<QString>{"Weiter"});
}

// A word in the middle of a sentence, spoken through PARLOTTO_AUDIO=`audio`:
// its WordPosition comes no sooner than the audio before it lasts.
void LipSyncTest::ExpectAWordInTheMiddleNotBeforeItsAudio(const char* audio) {
  // How long the words before it last, from a file: the prefix spoken
  // alone ends with a sentence pause, which the margin covers.
  const QString before = QStringLiteral("Der Morgen begann mit leichtem Regen, und die Menschen");
  const QString text = before + QStringLiteral(" eilten zur Arbeit.");
  sink_->lip_sync = false;  // measured up to AudioStop
  std::int64_t before_ms = SpeakAndMeasure(before) * 1000 / (std::int64_t{22050} * 4);
  sink_->lip_sync = true;
  ASSERT_GT(before_ms, 1500);

  ScopedEnv audio_env("PARLOTTO_AUDIO", audio);
  sink_->events.clear();
  std::int64_t spoken = MonotonicMs();
  std::vector<EventSink::Event> events = SpeakAndCollect(text);
  const auto word = std::find_if(events.begin(), events.end(), [&](const EventSink::Event& e) {
    return e.id == DISPID_DirectSSEvents_WordPosition &&
           text.mid(e.args[0].lVal, e.args[1].lVal) == QStringLiteral("eilten");
  });
  ASSERT_NE(word, events.end());
  // The audio starts after Speak, so its time is at least this far off.
  constexpr std::int64_t kMarginMs = 600;
  EXPECT_GE(word->at_ms - spoken, before_ms - kMarginMs);
  // And the first word came at the start, long before it.
  EXPECT_EQ(Words(text, events).front(), QStringLiteral("Der"));
  EXPECT_LT(events.front().at_ms, word->at_ms - 1000);
  EXPECT_EQ(Shapes(events).back(), kMouthRest);
}

TEST_F(LipSyncTest, PacedAWordInTheMiddleIsNotSentBeforeItsAudio) {
  ExpectAWordInTheMiddleNotBeforeItsAudio("null");
}

// On a device the events follow its clock. Runs only when asked to, as
// the other device test does (scripts/test.sh starts a PulseAudio null sink).
TEST_F(LipSyncTest, OnADeviceAWordInTheMiddleIsNotSentBeforeItsAudio) {
  if (std::getenv("PARLOTTO_TEST_AUDIO_DEVICE") == nullptr) {
    GTEST_SKIP() << "set PARLOTTO_TEST_AUDIO_DEVICE=1 to play through the audio device";
  }
  ExpectAWordInTheMiddleNotBeforeItsAudio("default");
  ASSERT_FALSE(ReadWav(dir_.File("cache") + "/parlotto/speech.wav").valid)
      << "no audio device reached; the backend looks for devices once per process, so run this "
         "test alone";
}

}  // namespace
}  // namespace parlotto::testing
