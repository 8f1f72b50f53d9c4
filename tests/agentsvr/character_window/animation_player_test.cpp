#include "agentsvr/character_window/animation_player.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <vector>

namespace parlotto::agent {
namespace {

Animation Steps(std::vector<AnimationStep> steps) { return Animation{std::move(steps), -1}; }

// Runs the event loop until `done` holds or five seconds have passed.
template <typename Predicate>
bool WaitUntil(Predicate done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return done();
}

void Drain(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class AnimationPlayerTest : public testing::Test {
 protected:
  std::vector<int> shown_;
  AnimationPlayer player_{[this](int frame) { shown_.push_back(frame); }};
};

TEST_F(AnimationPlayerTest, PlaysTheFramesInOrderThenEndsAndPostsDoneOnce) {
  int ends = 0;
  int dones = 0;
  player_.Play(
      Steps({{4, 10}, {5, 10}, {6, 10}}), [&] { ++ends; }, [&] { ++dones; });
  EXPECT_TRUE(player_.Playing());
  ASSERT_TRUE(WaitUntil([&] { return dones > 0; }));
  Drain(50);
  EXPECT_EQ(shown_, (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(dones, 1);
  EXPECT_FALSE(player_.Playing());
}

TEST_F(AnimationPlayerTest, AnAnimationWithoutStepsEndsAtOnceButItsDoneStillComesLater) {
  int dones = 0;
  player_.Play(Steps({}), nullptr, [&] { ++dones; });
  EXPECT_FALSE(player_.Playing());
  EXPECT_EQ(dones, 0);
  ASSERT_TRUE(WaitUntil([&] { return dones == 1; }));
}

TEST_F(AnimationPlayerTest, DrawsOnlyWhenTheFrameChanges) {
  int dones = 0;
  player_.Play(Steps({{1, 5}, {1, 5}, {2, 5}, {2, 5}, {1, 5}}), nullptr, [&] { ++dones; });
  ASSERT_TRUE(WaitUntil([&] { return dones == 1; }));
  EXPECT_EQ(shown_, (std::vector<int>{1, 2, 1}));
}

TEST_F(AnimationPlayerTest, LoopsUntilStoppedWithoutEndOrDoneAndAStillLoopDrawsOnce) {
  player_.Loop(Steps({{0, 10}, {1, 10}, {0, 10}}));
  ASSERT_TRUE(WaitUntil([&] { return shown_.size() >= 5; }));
  EXPECT_TRUE(player_.Looping());
  player_.Stop();
  EXPECT_FALSE(player_.Looping());
  // The loop's last frame is its first: merged, the frames alternate.
  for (std::size_t i = 0; i < shown_.size(); ++i) EXPECT_EQ(shown_[i], static_cast<int>(i % 2));

  shown_.clear();
  player_.Loop(Steps({{7, 10}, {7, 10}}));
  Drain(100);
  EXPECT_EQ(shown_, (std::vector<int>{7}));
  EXPECT_TRUE(player_.Looping());
}

TEST_F(AnimationPlayerTest, AnEndThatStartsTheNextAnimationIsNotUndone) {
  const Animation idle = Steps({{0, 10}, {1, 10}});
  int dones = 0;
  player_.Play(
      Steps({{5, 10}}), [&] { player_.Loop(idle); }, [&] { ++dones; });
  ASSERT_TRUE(WaitUntil([&] { return dones == 1; }));
  EXPECT_TRUE(player_.Looping());
}

TEST(AnimationPlayerLifetime, DoneOfAPlayerDestroyedMeanwhileNeverComes) {
  int dones = 0;
  {
    AnimationPlayer player([](int) {});
    player.Play(Steps({{0, 10}}), nullptr, [&] { ++dones; });
    player.Stop();
  }
  Drain(30);
  EXPECT_EQ(dones, 0);
}

}  // namespace
}  // namespace parlotto::agent
