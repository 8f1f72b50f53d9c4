#include "xvoice/speech_engine.h"

#include "xvoice/voice_catalog.h"

namespace parlotto::xvoice {
namespace {

// How far synthesis may run ahead of the player: about twelve seconds of
// audio for a device or the pace of playing; for a file, enough that the
// player's ticks never hold espeak-ng back.
constexpr std::size_t kMaxBufferedPaced = std::size_t{1} << 20;
constexpr std::size_t kMaxBufferedFile = std::size_t{16} << 20;
constexpr int kFallbackRate = 22050;

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
  auto stream = std::make_shared<PcmStream>(
      catalog.sample_rate() > 0 ? catalog.sample_rate() : kFallbackRate,
      request.target.kind == AudioTarget::Kind::kWav ? kMaxBufferedFile : kMaxBufferedPaced);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active_[request.id] = Active{request.owner, stream};
  }
  synthesizer_.Submit(SynthesisJob{std::move(request.voice), std::move(request.input),
                                   request.pitch, request.volume, request.balance, stream});
  player_->Enqueue(Playback{request.id, request.owner, stream, std::move(request.target)});
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
