#include "agentsvr/agent_queue/request_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agentsvr/agent_queue/recording_stage.h"
#include "support/spin_loop.h"

namespace parlotto::agent {
namespace {

using ::testing::ElementsAre;
using testing::FakeSpeaker;
using testing::RecordingStage;

// Runs the event loop until `done` or `limit_ms`.
bool SpinUntil(const std::function<bool()>& done, int limit_ms = 3000) {
  return parlotto::testing::SpinUntil(done, limit_ms);
}

class RequestQueueTest : public ::testing::Test {
 protected:
  static constexpr int kSettleMs = 60;

  explicit RequestQueueTest(QueueTiming timing = {kSettleMs, 10000, 150}) {
    queue_ = std::make_unique<RequestQueue>(
        &stage_, &speaker_, [this] { return ++last_id_; }, timing);
    queue_->on_idle = [this](bool idle) { Record(idle ? "Idle 1" : "Idle 0"); };
    queue_->on_request_start = [this](LONG id) { Record("Start " + std::to_string(id)); };
    queue_->on_request_complete = [this](LONG id, RequestStatus status) {
      Record("Complete " + std::to_string(id) + " " + std::to_string(static_cast<LONG>(status)));
    };
  }

  void Record(std::string event) { notes_.push_back(std::move(event)); }
  std::vector<std::string> IdleNotes() const {
    std::vector<std::string> idle;
    for (const std::string& note : notes_)
      if (note.rfind("Idle", 0) == 0) idle.push_back(note);
    return idle;
  }
  bool WaitForIdle() {
    return SpinUntil([this] { return queue_->Idle(); });
  }

  RecordingStage stage_;
  FakeSpeaker speaker_;
  LONG last_id_ = 100;
  std::vector<std::string> notes_;
  std::unique_ptr<RequestQueue> queue_;
};

// Order and ids.

TEST_F(RequestQueueTest, RunsEachRequestOnlyAfterTheOneBeforeHasEnded) {
  queue_->Show(false);
  queue_->Play(QStringLiteral("ReadContinued"));
  queue_->Speak(QStringLiteral("Hallo"));
  queue_->Hide(false);
  EXPECT_THAT(stage_.events, ElementsAre("Show"));

  ASSERT_TRUE(stage_.EndAnimation());
  EXPECT_THAT(stage_.events, ElementsAre("Show", "Play ReadContinued"));
  ASSERT_TRUE(stage_.EndAnimation());
  EXPECT_EQ(speaker_.spoken, std::vector<QString>{QStringLiteral("Hallo")});
  EXPECT_FALSE(stage_.Animating());

  speaker_.EndAll();
  EXPECT_THAT(stage_.events, ElementsAre("Show", "Play ReadContinued", "SpeechStarted Hallo",
                                         "SpeechEnded", "Hide"));
  ASSERT_TRUE(stage_.EndAnimation());
  EXPECT_TRUE(queue_->Empty());
}

TEST_F(RequestQueueTest, GivesEveryRequestANewGrowingIdAndReportsItsStartAndEnd) {
  LONG show = queue_->Show(true);
  LONG play = queue_->Play(QStringLiteral("Read"));
  LONG speak = queue_->Speak(QStringLiteral("Hallo"));
  EXPECT_LT(show, play);
  EXPECT_LT(play, speak);
  stage_.EndAnimation();
  stage_.EndAnimation();
  speaker_.EndAll();
  EXPECT_THAT(notes_, ElementsAre("Idle 0", "Start 101", "Complete 101 0", "Start 102",
                                  "Complete 102 0", "Start 103", "Complete 103 0"));
}

TEST_F(RequestQueueTest, EndsAPlayOfAnUnknownAnimationAtOnceButInItsTurn) {
  queue_->Show(false);
  LONG play = queue_->Play(QStringLiteral("Tanzen"));
  queue_->Speak(QStringLiteral("Hallo"));
  EXPECT_THAT(stage_.events, ElementsAre("Show"));
  stage_.EndAnimation();
  // The unknown animation came and went; the speech behind it runs.
  EXPECT_THAT(stage_.events, ElementsAre("Show", "Play Tanzen unknown", "SpeechStarted Hallo"));
  EXPECT_NE(std::find(notes_.begin(), notes_.end(), "Complete " + std::to_string(play) + " 1"),
            notes_.end());
}

// Stop and StopAll.

TEST_F(RequestQueueTest, StopTakesOutAQueuedRequestAndCutsTheRunningOneShort) {
  LONG play = queue_->Play(QStringLiteral("Read"));
  LONG speak = queue_->Speak(QStringLiteral("Eins"));
  LONG second = queue_->Speak(QStringLiteral("Zwei"));
  EXPECT_TRUE(queue_->Stop(speak));
  EXPECT_TRUE(queue_->Stop(play));
  EXPECT_THAT(stage_.events, ElementsAre("Play Read", "StopAnimation", "SpeechStarted Zwei"));
  EXPECT_EQ(speaker_.spoken, std::vector<QString>{QStringLiteral("Zwei")});

  EXPECT_TRUE(queue_->Stop(second));
  EXPECT_EQ(speaker_.silenced, 1);
  EXPECT_TRUE(queue_->Empty());
  EXPECT_FALSE(queue_->Stop(second));
  EXPECT_FALSE(queue_->Stop(9999));
  // The animation's late done and the silenced speech's end change nothing.
  parlotto::testing::RunLoopFor(20);
  EXPECT_THAT(notes_, ElementsAre("Idle 0", "Start 101", "Complete 102 3", "Complete 101 3",
                                  "Start 103", "Complete 103 3"));
}

TEST_F(RequestQueueTest, StopAllEmptiesTheQueueAndSilencesTheSpeechAtOnce) {
  queue_->Speak(QStringLiteral("Ein langer Text"));
  queue_->Play(QStringLiteral("Read"));
  queue_->Speak(QStringLiteral("Noch einer"));
  queue_->StopAll(-1);
  EXPECT_EQ(speaker_.silenced, 1);
  EXPECT_TRUE(queue_->Empty());
  EXPECT_THAT(stage_.events, ElementsAre("SpeechStarted Ein langer Text", "SpeechEnded"));
  EXPECT_EQ(speaker_.spoken.size(), 1u);
  // What comes after StopAll runs as usual.
  queue_->Hide(false);
  EXPECT_EQ(stage_.events.back(), "Hide");
}

TEST_F(RequestQueueTest, StopAllTakesOnlyTheKindsItIsGiven) {
  queue_->Show(false);
  queue_->Play(QStringLiteral("Read"));
  queue_->Speak(QStringLiteral("Hallo"));
  queue_->StopAll(kStopSpeak);
  EXPECT_THAT(stage_.events, ElementsAre("Show"));  // the Show runs on
  stage_.EndAnimation();
  stage_.EndAnimation();
  EXPECT_THAT(stage_.events, ElementsAre("Show", "Play Read"));
  EXPECT_TRUE(queue_->Empty());
  EXPECT_TRUE(speaker_.spoken.empty());
}

// Idle.

TEST_F(RequestQueueTest, ReportsBusyAtOnceAndIdleOnlyAfterTheQueueHasStayedEmpty) {
  queue_->Show(false);
  EXPECT_THAT(IdleNotes(), ElementsAre("Idle 0"));
  stage_.EndAnimation();
  EXPECT_THAT(IdleNotes(), ElementsAre("Idle 0"));  // not yet: the settle time runs
  EXPECT_FALSE(queue_->Idle());
  ASSERT_TRUE(WaitForIdle());
  EXPECT_THAT(IdleNotes(), ElementsAre("Idle 0", "Idle 1"));
}

TEST_F(RequestQueueTest, NeverReportsIdleBetweenAPlayAndTheSpeakThatArrivesJustAfterIt) {
  queue_->Play(QStringLiteral("ReadContinued"));
  stage_.EndAnimation();
  // The client's Speak comes a little after the animation has ended.
  parlotto::testing::RunLoopFor(kSettleMs / 3);
  queue_->Speak(QStringLiteral("Hallo"));
  parlotto::testing::RunLoopFor(kSettleMs * 2);
  EXPECT_THAT(IdleNotes(), ElementsAre("Idle 0"));
  speaker_.EndAll();
  ASSERT_TRUE(WaitForIdle());
  EXPECT_THAT(IdleNotes(), ElementsAre("Idle 0", "Idle 1"));
  // Idle came after the speech was over.
  auto speech_end = std::find(notes_.begin(), notes_.end(), "Complete 102 0");
  auto idle = std::find(notes_.begin(), notes_.end(), "Idle 1");
  EXPECT_LT(speech_end, idle);
}

TEST_F(RequestQueueTest, ReportsBusyAgainForEachNewReadingAfterIdle) {
  queue_->Speak(QStringLiteral("Eins"));
  speaker_.EndAll();
  ASSERT_TRUE(WaitForIdle());
  queue_->Speak(QStringLiteral("Zwei"));
  speaker_.EndAll();
  ASSERT_TRUE(WaitForIdle());
  EXPECT_THAT(IdleNotes(), ElementsAre("Idle 0", "Idle 1", "Idle 0", "Idle 1"));
}

TEST_F(RequestQueueTest, ReportsIdleAfterStopAllEmptiedTheQueue) {
  queue_->Speak(QStringLiteral("Eins"));
  queue_->StopAll(-1);
  ASSERT_TRUE(WaitForIdle());
  EXPECT_THAT(IdleNotes(), ElementsAre("Idle 0", "Idle 1"));
}

// The user's hide.

TEST_F(RequestQueueTest, TheUsersHideSilencesAndHidesAtOnceAndTheReadingRunsOutUnseen) {
  queue_->Speak(QStringLiteral("Eins"));
  queue_->Speak(QStringLiteral("Zwei"));
  queue_->HideForUser();
  EXPECT_EQ(speaker_.silenced, 1);
  EXPECT_THAT(stage_.events, ElementsAre("SpeechStarted Eins", "SpeechEnded", "Hide"));
  stage_.EndAnimation();
  // The reader's next piece ends at once, unseen and unheard; idle follows.
  notes_.clear();
  queue_->Show(false);
  queue_->Play(QStringLiteral("ReadContinued"));
  queue_->Speak(QStringLiteral("Drei"));
  EXPECT_THAT(notes_, ElementsAre("Start 104", "Complete 104 3", "Start 105", "Complete 105 3",
                                  "Start 106", "Complete 106 3"));
  ASSERT_TRUE(WaitForIdle());
  // The reader's own hide ends the hold.
  queue_->Hide(false);
  stage_.EndAnimation();
  queue_->Show(false);
  EXPECT_THAT(stage_.events,
              ElementsAre("SpeechStarted Eins", "SpeechEnded", "Hide", "Hide", "Show"));
}

// Speech.

TEST_F(RequestQueueTest, ShowsTheTextWithoutItsSpeechTagsAndMarksWordsWhereTheyStand) {
  const QString text = QStringLiteral("\\Pit=100\\ \\Spd=150\\ Guten Tag");
  queue_->Speak(text);
  EXPECT_EQ(speaker_.spoken, std::vector<QString>{text});  // the runtime applies the tags
  const int tag = static_cast<int>(text.indexOf(QStringLiteral("Tag")));
  speaker_.on_word(tag, 3);
  speaker_.on_mouth(kMouthOpen);
  EXPECT_THAT(stage_.events, ElementsAre("SpeechStarted Guten Tag", "Word 6 3", "Mouth 1"));
}

TEST_F(RequestQueueTest, IgnoresWordPositionsOutsideTheShownText) {
  const QString text = QStringLiteral("\\Vol=100\\Hallo");
  queue_->Speak(text);
  speaker_.on_word(0, 9);     // the tag itself
  speaker_.on_word(-4, 2);    // nonsense from the runtime
  speaker_.on_word(100, 3);   // past the end
  speaker_.on_word(9, 1000);  // from the word to beyond the end: the rest
  EXPECT_THAT(stage_.events, ElementsAre("SpeechStarted Hallo", "Word 0 5"));
}

TEST_F(RequestQueueTest, EndsASpeechThatCannotStartAndGoesOn) {
  speaker_.refuse = true;
  LONG speak = queue_->Speak(QStringLiteral("Hallo"));
  queue_->Play(QStringLiteral("Read"));
  EXPECT_THAT(stage_.events, ElementsAre("SpeechStarted Hallo", "SpeechEnded", "Play Read"));
  EXPECT_EQ(notes_[2], "Complete " + std::to_string(speak) + " 1");
}

class SpeechTimeoutTest : public RequestQueueTest {
 protected:
  SpeechTimeoutTest() : RequestQueueTest({kSettleMs, 100, 10}) {}
};

TEST_F(SpeechTimeoutTest, EndsASpeechWhoseEndNeverComesAfterATimeFromItsLength) {
  speaker_.ends_when_silenced = false;  // the audio device is gone
  QElapsedTimer elapsed;
  elapsed.start();
  queue_->Speak(QStringLiteral("Zwanzig Zeichen lang"));  // 100 + 20 * 10 ms
  queue_->Hide(false);
  ASSERT_TRUE(
      SpinUntil([this] { return !stage_.events.empty() && stage_.events.back() == "Hide"; }));
  // Qt's coarse timers may fire 5 % early; the base time alone would be 100.
  EXPECT_GE(elapsed.elapsed(), 280);
  EXPECT_EQ(speaker_.silenced, 1);
  EXPECT_THAT(stage_.events,
              ElementsAre("SpeechStarted Zwanzig Zeichen lang", "SpeechEnded", "Hide"));
}

TEST_F(SpeechTimeoutTest, KeepsASpeechThatEndsInTimeFromTheTimeout) {
  queue_->Speak(QStringLiteral("Kurz"));
  speaker_.EndAll();
  LONG next = queue_->Speak(QStringLiteral("Lang genug"));
  parlotto::testing::RunLoopFor(150);  // past the first text's limit, within the second's
  EXPECT_EQ(speaker_.silenced, 0);
  speaker_.EndAll();
  EXPECT_EQ(notes_.back(), "Complete " + std::to_string(next) + " 0");
}

}  // namespace
}  // namespace parlotto::agent
