// WordPosition and MouthShape of the loaded control: which words and
// shapes come, in what order, and not before their audio.
#include <QString>
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/clock.h"
#include "xvoice_fixture.h"

namespace parlotto::testing {
namespace {

class LipSyncTest : public XVoiceTest {
 protected:
  LipSyncTest() {
    if (sink_) sink_->lip_sync = true;
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

  static std::vector<LONG> Shapes(const std::vector<EventSink::Event>& events) {
    std::vector<LONG> shapes;
    for (const EventSink::Event& e : events) {
      if (e.id == DISPID_DirectSSEvents_MouthShape) shapes.push_back(e.args.at(0).lVal);
    }
    return shapes;
  }
};

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

  // A tag in the middle of the text moves the words behind it.
  const QString tagged = QStringLiteral("Guten Tag, \\Pit=150\\schöne \\Mrk=2\\Grüße.");
  expected = {"Guten", "Tag", "schöne", "Grüße"};
  EXPECT_EQ(Words(tagged, SpeakAndCollect(tagged)), expected);
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

TEST_F(LipSyncTest, PacedAWordInTheMiddleIsNotSentBeforeItsAudio) {
  // How long the words before it last, from a file: the prefix spoken
  // alone ends with a sentence pause, which the margin covers.
  const QString before = QStringLiteral("Der Morgen begann mit leichtem Regen, und die Menschen");
  const QString text = before + QStringLiteral(" eilten zur Arbeit.");
  sink_->lip_sync = false;  // measured up to AudioStop
  std::int64_t before_ms = SpeakAndMeasure(before) * 1000 / (std::int64_t{22050} * 4);
  sink_->lip_sync = true;
  ASSERT_GT(before_ms, 1500);

  ScopedEnv null_audio("PARLOTTO_AUDIO", "null");
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
}

}  // namespace
}  // namespace parlotto::testing
