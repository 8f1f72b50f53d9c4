// When the synthesis thread wakes the reader of a text: as its audio comes,
// so that a file is written while the text is still being synthesised, and
// once more at the end, so that the end is reported at once.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "xvoice/xvoice_synthesis/synthesizer.h"
#include "xvoice/xvoice_synthesis/voice_catalog.h"

namespace parlotto::xvoice {
namespace {

constexpr std::size_t kWakeBytes = std::size_t{64} << 10;

// What the stream held at each wake.
struct Wakes {
  std::mutex mutex;
  std::vector<std::size_t> available;
  std::vector<bool> finished;
  std::promise<void> ended;
};

SynthesisJob JobFor(const std::string& input, const std::shared_ptr<Wakes>& wakes) {
  SynthesisJob job;
  const VoiceCatalog& catalog = VoiceCatalog::Get();
  const EngineMode* mode = catalog.Mode(catalog.DefaultMode());
  if (mode != nullptr) job.voice = mode->identifier;
  job.input = input;
  job.stream = std::make_shared<PcmStream>(22050, std::size_t{16} << 20);
  job.wake_bytes = kWakeBytes;
  std::weak_ptr<PcmStream> stream = job.stream;
  job.on_audio = [wakes, stream] {
    std::shared_ptr<PcmStream> held = stream.lock();
    std::lock_guard<std::mutex> lock(wakes->mutex);
    wakes->available.push_back(held ? held->available() : 0);
    wakes->finished.push_back(held && held->finished());
    if (held && held->finished()) wakes->ended.set_value();
  };
  return job;
}

bool WaitForEnd(Wakes& wakes) {
  return wakes.ended.get_future().wait_for(std::chrono::seconds(60)) == std::future_status::ready;
}

TEST(SynthesizerWakeTest, WakesTheReaderAsTheAudioComesAndOnceMoreAtTheEnd) {
  ASSERT_TRUE(VoiceCatalog::Get().ready());
  // About half a minute of audio, some 2.5 MB: many wakes before the end.
  std::string text;
  for (int i = 0; i < 10; ++i) text += "Der Zug nach Hamburg fährt heute mit Verspätung ab. ";
  auto wakes = std::make_shared<Wakes>();
  Synthesizer synthesizer;
  synthesizer.Submit(JobFor(text, wakes));
  ASSERT_TRUE(WaitForEnd(*wakes));
  std::lock_guard<std::mutex> lock(wakes->mutex);
  ASSERT_GE(wakes->finished.size(), 3u);
  // Nobody took the audio here, so each wake before the end found at least
  // the amount asked for, and more than at the wake before.
  for (std::size_t i = 0; i + 1 < wakes->finished.size(); ++i) {
    EXPECT_FALSE(wakes->finished[i]) << i;
    EXPECT_GE(wakes->available[i], kWakeBytes) << i;
    if (i > 0) {
      EXPECT_GT(wakes->available[i], wakes->available[i - 1]) << i;
    }
  }
  EXPECT_TRUE(wakes->finished.back());
}

TEST(SynthesizerWakeTest, ATextWithoutAudioStillWakesTheReaderOnceAtTheEnd) {
  ASSERT_TRUE(VoiceCatalog::Get().ready());
  Synthesizer synthesizer;
  // Dropped before it started, and one without a voice: no audio at all.
  auto dropped = std::make_shared<Wakes>();
  SynthesisJob dropped_job = JobFor("Wird nie gesprochen.", dropped);
  dropped_job.stream->Cancel();
  synthesizer.Submit(std::move(dropped_job));
  auto voiceless = std::make_shared<Wakes>();
  SynthesisJob voiceless_job = JobFor("Ohne Stimme.", voiceless);
  voiceless_job.voice.clear();
  synthesizer.Submit(std::move(voiceless_job));
  for (const std::shared_ptr<Wakes>& wakes : {dropped, voiceless}) {
    ASSERT_TRUE(WaitForEnd(*wakes));
    std::lock_guard<std::mutex> lock(wakes->mutex);
    ASSERT_EQ(wakes->finished.size(), 1u);
    EXPECT_TRUE(wakes->finished.front());
    EXPECT_EQ(wakes->available.front(), 0u);
  }
}

}  // namespace
}  // namespace parlotto::xvoice
