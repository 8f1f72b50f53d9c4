// From espeak-ng's events to the track, and out of it as the audio
// reaches each event.
#include "xvoice/xvoice_lipsync/lip_sync.h"

#include <gtest/gtest.h>

#include <vector>

#include "xvoice/xvoice_text/speech_text.h"

namespace parlotto::xvoice {
namespace {

using Kind = LipEvent::Kind;

LipEvent Mouth(std::int64_t frame, MouthShape shape) {
  return LipEvent{frame, Kind::kMouth, shape, 0};
}
LipEvent Word(std::int64_t frame, std::int32_t start, std::int32_t length) {
  return LipEvent{frame, Kind::kWord, start, length};
}

class LipSyncCollectorTest : public ::testing::Test {
 protected:
  LipSyncCollectorTest() { Reset(QStringLiteral("Mama baut")); }

  void Reset(const QString& text) {
    EspeakText input = ToEspeakText(text, {175, 100, 65535});
    track_ = std::make_shared<LipSyncTrack>();
    collector_ = std::make_unique<LipSyncCollector>(WordLocator(text, input.origins), track_);
  }

  std::shared_ptr<LipSyncTrack> track_;
  std::unique_ptr<LipSyncCollector> collector_;
};

// "Mama baut" as espeak-ng reports it: the words at their start command
// and text positions, phonemes with their first sample.
TEST_F(LipSyncCollectorTest, TurnsWordsAndPhonemesIntoEventsInTheOrderOfTheirSounds) {
  collector_->OnWord(0, 1);  // "\x01175SMama"
  collector_->OnPhoneme(200, "m");
  collector_->OnPhoneme(1700, "A");
  collector_->OnPhoneme(4000, "m");
  collector_->OnPhoneme(5300, "A:");
  collector_->OnWord(6700, 11);
  collector_->OnPhoneme(6700, "b");
  collector_->OnPhoneme(8600, "aU");
  collector_->OnPhoneme(13600, "t");
  collector_->OnPhoneme(14600, "_:");
  collector_->OnPhoneme(21200, "_");
  collector_->Finish(21200);

  std::vector<LipEvent> expected = {
      Word(0, 0, 4),
      Mouth(200, kMouthClosed),
      Mouth(1700, kMouthOpen),
      Mouth(4000, kMouthClosed),
      Mouth(5300, kMouthOpen),
      Word(6700, 5, 4),
      Mouth(6700, kMouthClosed),
      Mouth(8600, kMouthOpen),
      Mouth(11100, kMouthRound),  // half way through the diphthong
      Mouth(13600, kMouthTongue),
      Mouth(14600, kMouthRest),  // the second pause repeats the rest
  };
  EXPECT_EQ(track_->TakeAll(), expected);
}

TEST_F(LipSyncCollectorTest, ADiphthongAtTheEndGlidesBeforeTheAudioEnds) {
  collector_->OnPhoneme(100, "aU");
  collector_->Finish(1100);
  std::vector<LipEvent> expected = {Mouth(100, kMouthOpen), Mouth(600, kMouthRound),
                                    Mouth(600, kMouthRest)};
  EXPECT_EQ(track_->TakeAll(), expected);
}

TEST(LipSyncTrackTest, HandsOutWhatTheAudioHasReachedAndClosesWithRest) {
  LipSyncTrack track;
  track.Add(Word(0, 0, 4));
  track.Add(Mouth(100, kMouthOpen));
  track.Add(Mouth(500, kMouthClosed));
  track.Add(Word(900, 5, 3));
  EXPECT_EQ(track.TakeDue(99), std::vector<LipEvent>{Word(0, 0, 4)});
  EXPECT_EQ(track.TakeDue(99), std::vector<LipEvent>{});
  std::vector<LipEvent> reached = {Mouth(100, kMouthOpen), Mouth(500, kMouthClosed)};
  EXPECT_EQ(track.TakeDue(500), reached);
  // The audio is over: the rest of the events, then the mouth closes.
  std::vector<LipEvent> rest = {Word(900, 5, 3), Mouth(900, kMouthRest)};
  EXPECT_EQ(track.TakeAll(), rest);
  EXPECT_EQ(track.TakeAll(), std::vector<LipEvent>{});
}

TEST(LipSyncTrackTest, AMouthAtRestIsNotToldToRestAgain) {
  LipSyncTrack track;
  track.Add(Mouth(10, kMouthOpen));
  track.Add(Mouth(20, kMouthRest));
  EXPECT_EQ(track.TakeDue(20).size(), 2u);
  EXPECT_EQ(track.TakeAll(), std::vector<LipEvent>{});
  // Nothing was said: nothing to close.
  LipSyncTrack silent;
  EXPECT_EQ(silent.TakeAll(), std::vector<LipEvent>{});
}

}  // namespace
}  // namespace parlotto::xvoice
