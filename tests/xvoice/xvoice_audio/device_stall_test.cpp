// A device that stops taking or playing audio in the middle of a text: the
// text ends, with one log line that tells a device that went away (its sink
// unloaded, unplugged) from one that only hangs; only a hanging one costs
// the whole stall limit.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/places/diagnostics.h"
#include "xvoice/finished_text.h"
#include "xvoice/xvoice_audio/device_output.h"

namespace parlotto::xvoice {
namespace {

using testing::FinishedText;
using testing::kBytesPerSecond;
using testing::kRate;

// Takes `capacity` bytes and then nothing, plays nothing.
class StuckDevice final : public AudioDevice {
 public:
  StuckDevice(std::int64_t capacity, bool gone) : capacity_(capacity), gone_(gone) {}
  int Error() const override { return 0; }
  std::int64_t BytesFree() const override { return capacity_ - written_; }
  std::int64_t Write(const QByteArray& pcm) override {
    const std::int64_t accepted = std::min<std::int64_t>(pcm.size(), BytesFree());
    written_ += accepted;
    return accepted;
  }
  std::int64_t PlayedUs() const override { return 0; }
  bool RanOut() const override { return false; }
  void Flush() override {}
  bool Gone() const override { return gone_; }

 private:
  std::int64_t capacity_;
  std::int64_t written_ = 0;
  bool gone_;
};

class DeviceStallTest : public ::testing::Test {
 protected:
  DeviceStallTest() {
    SetDiagnosticSink([this](const std::string& line) { lines_.push_back(line); });
  }
  ~DeviceStallTest() override { SetDiagnosticSink({}); }

  // Feeds `bytes` of one text to a device that holds `capacity`, until the
  // output ends the text; the log lines it wrote. `waited_ms_` is how long
  // that took.
  std::vector<std::string> StallWith(std::int64_t capacity, bool gone, std::int64_t bytes) {
    lines_.clear();
    DeviceOutput output(std::make_unique<StuckDevice>(capacity, gone), QStringLiteral("Kopfhörer"),
                        kRate);
    auto text = FinishedText(bytes);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      output.Feed(*text);
      if (output.Finished(*text)) break;
      if (waited.elapsed() > 20000) {
        ADD_FAILURE() << "the text never ended";
        break;
      }
      QThread::msleep(10);
    }
    waited_ms_ = waited.elapsed();
    return lines_;
  }

  // A removed device ends the text at once; only one that hangs costs the
  // whole stall limit of 5 s.
  void ExpectEndedAtOnce() const { EXPECT_LT(waited_ms_, 2500); }
  void ExpectWaitedOutTheStall() const { EXPECT_GE(waited_ms_, 5000); }

  std::vector<std::string> lines_;
  std::int64_t waited_ms_ = 0;
};

TEST_F(DeviceStallTest, ADeviceThatTakesNoMoreAudioIsCalledGoneOnlyWhenTheServerListsItNoMore) {
  // Two seconds of text for a device that holds half a second.
  EXPECT_EQ(StallWith(kBytesPerSecond / 2, true, kBytesPerSecond * 2),
            std::vector<std::string>{
                "speech runtime: audio device \"Kopfhörer\" is gone; the speech ends here"});
  ExpectEndedAtOnce();
  EXPECT_EQ(StallWith(kBytesPerSecond / 2, false, kBytesPerSecond * 2),
            std::vector<std::string>{"speech runtime: audio device \"Kopfhörer\" took no audio "
                                     "for 5 s; the speech ends here"});
  ExpectWaitedOutTheStall();
}

TEST_F(DeviceStallTest, ADeviceWhoseClockStandsStillIsCalledGoneOnlyWhenTheServerListsItNoMore) {
  // All of the text fits; none of it is ever played.
  EXPECT_EQ(StallWith(kBytesPerSecond, true, kBytesPerSecond / 2),
            std::vector<std::string>{
                "speech runtime: audio device \"Kopfhörer\" is gone; the speech ends here"});
  ExpectEndedAtOnce();
  EXPECT_EQ(
      StallWith(kBytesPerSecond, false, kBytesPerSecond / 2),
      std::vector<std::string>{
          "speech runtime: audio device \"Kopfhörer\" stopped playing; the speech ends here"});
  ExpectWaitedOutTheStall();
}

}  // namespace
}  // namespace parlotto::xvoice
