#include "xvoice/speech_engine.h"

#include <utility>

#include "xvoice/xvoice_synthesis/voice_catalog.h"

namespace parlotto::xvoice {
namespace {

// How far synthesis may run ahead of the player: about twelve seconds of
// audio for a device or the pace of playing; for a file, enough that the
// player's ticks never hold espeak-ng back.
constexpr std::size_t kMaxBufferedPaced = std::size_t{1} << 20;
constexpr std::size_t kMaxBufferedFile = std::size_t{16} << 20;
constexpr int kFallbackRate = 22050;
// The player is woken to write a file whenever this much is synthesised,
// and at the end of the utterance: the writing overlaps the synthesis, and
// the end is reported at once instead of at the player's next tick.
constexpr std::size_t kFileWakeBytes = std::size_t{64} << 10;

}  // namespace

std::shared_ptr<SpeechEngine> SpeechEngine::Acquire() {
  static std::weak_ptr<SpeechEngine> current;
  std::shared_ptr<SpeechEngine> engine = current.lock();
  if (!engine) {
    engine.reset(new SpeechEngine());
    current = engine;
  }
  return engine;
}

SpeechEngine::SpeechEngine() : player_(new AudioPlayer([this](std::uint64_t id) { Forget(id); })) {
  audio_thread_.setObjectName(QStringLiteral("xvoice audio"));
  player_->moveToThread(&audio_thread_);
  audio_thread_.start();
}

SpeechEngine::~SpeechEngine() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
    for (auto& [id, active] : active_) active.stream->Cancel();
  }
  // Members go in reverse order, but the player must go first: it runs on
  // its own thread and calls back into Forget.
  QMetaObject::invokeMethod(
      player_, [this] { delete player_; }, Qt::BlockingQueuedConnection);
  audio_thread_.quit();
  audio_thread_.wait();
}

void SpeechEngine::Speak(SpeechRequest request) {
  const VoiceCatalog& catalog = VoiceCatalog::Get();
  const bool file = request.target.kind == AudioTarget::Kind::kWav;
  auto stream =
      std::make_shared<PcmStream>(catalog.sample_rate() > 0 ? catalog.sample_rate() : kFallbackRate,
                                  file ? kMaxBufferedFile : kMaxBufferedPaced);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active_[request.id] = Active{request.owner, stream};
  }
  Playback playback{request.id, request.owner, stream, std::move(request.target), nullptr};
  SynthesisJob job;
  job.voice = std::move(request.voice);
  job.input = std::move(request.input);
  job.pitch = request.pitch;
  job.volume = request.volume;
  job.balance = request.balance;
  job.stream = stream;
  if (request.words) {
    playback.lips = std::make_shared<LipSyncTrack>();
    job.lips = std::make_shared<LipSyncCollector>(std::move(*request.words), playback.lips);
  }
  if (file) {
    // Queued with its first audio, so that no tick waits for an empty file.
    job.wake_bytes = kFileWakeBytes;
    job.on_audio = [this, playback, queued = false]() mutable {
      std::lock_guard<std::mutex> lock(mutex_);
      if (closing_) return;
      if (std::exchange(queued, true)) {
        player_->Wake();
      } else {
        player_->Enqueue(playback);
      }
    };
    synthesizer_.Submit(std::move(job));
    return;
  }
  synthesizer_.Submit(std::move(job));
  player_->Enqueue(std::move(playback));
}

void SpeechEngine::Cancel(HWND owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, active] : active_) {
    if (active.owner == owner) active.stream->Cancel();
  }
}

void SpeechEngine::Forget(std::uint64_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  active_.erase(id);
}

}  // namespace parlotto::xvoice
