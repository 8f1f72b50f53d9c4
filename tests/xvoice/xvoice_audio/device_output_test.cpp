// The device output against a device that plays only when the test says
// so: when a text's end is reported, several texts on one open device,
// and a stop that drops what is queued.
#include "xvoice/xvoice_audio/device_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "xvoice/finished_text.h"

namespace parlotto::xvoice {
namespace {

using testing::FinishedText;
using testing::kBytesPerSecond;
using testing::kRate;

// What the device did, kept by the test after the output has gone.
struct DeviceLog {
  std::int64_t capacity = kBytesPerSecond / 2;
  std::int64_t written = 0;
  std::int64_t played = 0;
  bool flushed = false;
  std::int64_t queued() const { return written - played; }
};

class FakeDevice final : public AudioDevice {
 public:
  explicit FakeDevice(std::shared_ptr<DeviceLog> log) : log_(std::move(log)) {}
  int Error() const override { return 0; }
  std::int64_t BytesFree() const override {
    return log_->flushed ? 0 : log_->capacity - log_->queued();
  }
  std::int64_t Write(const QByteArray& pcm) override {
    std::int64_t accepted = std::min<std::int64_t>(pcm.size(), BytesFree());
    log_->written += accepted;
    return accepted;
  }
  std::int64_t PlayedUs() const override { return log_->played * 1'000'000 / kBytesPerSecond; }
  bool RanOut() const override { return log_->written > 0 && log_->queued() == 0; }
  void Flush() override {
    log_->flushed = true;
    log_->written = log_->played;  // what was queued is gone
  }
  bool Gone() const override { return false; }

 private:
  std::shared_ptr<DeviceLog> log_;
};

// The device plays `bytes` more of what it holds.
void Play(DeviceLog& log, std::int64_t bytes) { log.played += std::min(bytes, log.queued()); }

class DeviceOutputSpeechTest : public ::testing::Test {
 protected:
  DeviceOutputSpeechTest()
      : log_(std::make_shared<DeviceLog>()),
        output_(std::make_unique<FakeDevice>(log_), QStringLiteral("fake"), kRate) {}

  // Feeds and plays in steps of 10 ms until the output says the text has
  // been played; returns how much the device had played by then.
  std::int64_t PlayUntilFinished(PcmStream& stream) {
    for (int step = 0; step < 10000; ++step) {
      output_.Feed(stream);
      bool all_played = stream.drained() && log_->queued() == 0;
      if (output_.Finished(stream)) return log_->played;
      if (all_played) {
        ADD_FAILURE() << "everything was played, but the end was not reported";
        return -1;
      }
      Play(*log_, kBytesPerSecond / 100);
    }
    ADD_FAILURE() << "the text never finished";
    return -1;
  }

  std::shared_ptr<DeviceLog> log_;
  DeviceOutput output_;
};

TEST_F(DeviceOutputSpeechTest, TheEndIsReportedWhenTheLastSampleHasBeenPlayedAndNotBefore) {
  std::int64_t bytes = kBytesPerSecond * 3 / 2;  // more than the device holds
  auto text = FinishedText(bytes);
  EXPECT_EQ(PlayUntilFinished(*text), bytes);
  EXPECT_FALSE(log_->flushed);
}

TEST_F(DeviceOutputSpeechTest, TextsInARowPlayOnTheOpenDeviceEachEndingAtItsOwnLastSample) {
  AudioTarget device_target;
  auto first = FinishedText(kBytesPerSecond);
  EXPECT_EQ(PlayUntilFinished(*first), kBytesPerSecond);
  ASSERT_TRUE(output_.Continues(device_target, kRate));
  output_.Next();
  // The device ran dry after the first text; that must not end the second
  // before its own audio has been played.
  auto second = FinishedText(kBytesPerSecond / 2);
  EXPECT_EQ(PlayUntilFinished(*second), kBytesPerSecond * 3 / 2);
  EXPECT_FALSE(log_->flushed);
}

// Lip-sync follows what the listener hears: the device's clock, counted
// from the start of the current text, not what was handed to it.
TEST_F(DeviceOutputSpeechTest, WhatHasBeenHeardFollowsTheDevicesClockFromTheTextsStart) {
  auto first = FinishedText(kBytesPerSecond);
  output_.Feed(*first);
  EXPECT_GT(first->taken(), 0);
  EXPECT_EQ(output_.PlayedBytes(*first), 0);
  Play(*log_, kBytesPerSecond / 4);
  EXPECT_EQ(output_.PlayedBytes(*first), kBytesPerSecond / 4);
  ASSERT_EQ(PlayUntilFinished(*first), kBytesPerSecond);

  ASSERT_TRUE(output_.Continues(AudioTarget{}, kRate));
  output_.Next();
  auto second = FinishedText(kBytesPerSecond);
  output_.Feed(*second);
  EXPECT_EQ(output_.PlayedBytes(*second), 0);
  Play(*log_, kBytesPerSecond / 10);
  EXPECT_EQ(output_.PlayedBytes(*second), kBytesPerSecond / 10);
}

TEST_F(DeviceOutputSpeechTest, OtherTargetsAndRatesDoNotContinueOnTheDevice) {
  AudioTarget wav;
  wav.kind = AudioTarget::Kind::kWav;
  EXPECT_FALSE(output_.Continues(wav, kRate));
  EXPECT_FALSE(output_.Continues(AudioTarget{}, kRate * 2));
}

TEST_F(DeviceOutputSpeechTest, AStopDropsWhatTheDeviceHoldsAndNothingPlaysAfterIt) {
  auto text = FinishedText(kBytesPerSecond * 5);
  output_.Feed(*text);
  Play(*log_, kBytesPerSecond / 10);
  output_.Feed(*text);
  ASSERT_GT(log_->queued(), 0);
  std::int64_t played_at_stop = log_->played;
  output_.Abort();
  EXPECT_TRUE(log_->flushed);
  EXPECT_EQ(log_->queued(), 0);
  // Later ticks neither write nor play anything more.
  output_.Feed(*text);
  Play(*log_, kBytesPerSecond);
  EXPECT_EQ(log_->played, played_at_stop);
  EXPECT_TRUE(output_.Finished(*text));
  AudioTarget device_target;
  EXPECT_FALSE(output_.Continues(device_target, kRate)) << "a stopped device is opened anew";
}

}  // namespace
}  // namespace parlotto::xvoice
