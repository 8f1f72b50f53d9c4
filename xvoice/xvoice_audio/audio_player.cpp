#include "xvoice/xvoice_audio/audio_player.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTimer>
#include <cstdio>
#include <mutex>
#include <set>

#include "platform/loop/clock.h"
#include "xvoice/xvoice_audio/device_output.h"

namespace parlotto::xvoice {
namespace {

// Often enough to keep the device's half second buffer filled, to end an
// utterance promptly and to start the next one as soon as its first audio
// is there: each tick's wait adds to the pause between two texts.
constexpr int kTickMs = 4;
// How long a device stays open for a next utterance: a reading speaks its
// next piece right after the end of the last one.
constexpr int kKeepOpenMs = 2000;

void NameFallbackOnce(const QString& path) {
  static std::mutex mutex;
  static std::set<QString> named;
  std::lock_guard<std::mutex> lock(mutex);
  if (!named.insert(path).second) return;
  std::fprintf(stderr, "parlotto: no audio device; speech is written to %s\n",
               path.toLocal8Bit().constData());
}

}  // namespace

AudioPlayer::AudioPlayer(std::function<void(std::uint64_t id)> on_done)
    : on_done_(std::move(on_done)), timer_(new QTimer(this)), idle_timer_(new QTimer(this)) {
  timer_->setInterval(kTickMs);
  QObject::connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  idle_timer_->setSingleShot(true);
  idle_timer_->setInterval(kKeepOpenMs);
  QObject::connect(idle_timer_, &QTimer::timeout, this, [this] {
    if (!current_) output_.reset();
  });
}

AudioPlayer::~AudioPlayer() {
  if (output_) output_->Abort();
}

void AudioPlayer::Enqueue(Playback playback) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(playback));
  }
  Wake();
}

void AudioPlayer::Wake() {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (!timer_->isActive()) timer_->start();
        Tick();
      },
      Qt::QueuedConnection);
}

void AudioPlayer::Tick() {
  for (;;) {
    if (!current_) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) {
        timer_->stop();
        if (output_) idle_timer_->start();
        return;
      }
      current_ = std::make_unique<Playback>(std::move(queue_.front()));
      queue_.pop_front();
      idle_timer_->stop();
      if (output_) {
        if (output_->Continues(current_->target, current_->stream->sample_rate())) {
          output_->Next();
        } else {
          output_.reset();
        }
      }
    }
    PcmStream& stream = *current_->stream;
    if (stream.cancelled()) {
      if (output_) output_->Abort();
      Done(false);
      continue;
    }
    if (!output_) output_ = OutputFor(*current_);
    output_->Feed(stream);
    SendLipSync(false);
    if (!output_->Finished(stream)) return;
    Done(true);
  }
}

std::unique_ptr<AudioOutput> AudioPlayer::OutputFor(const Playback& playback) {
  int rate = playback.stream->sample_rate();
  switch (playback.target.kind) {
    case AudioTarget::Kind::kWav:
      return std::make_unique<FileOutput>(playback.target.path, rate);
    case AudioTarget::Kind::kNull:
      return std::make_unique<PacedOutput>(QString(), rate);
    case AudioTarget::Kind::kDefault:
      break;
  }
  QAudioDevice device = QMediaDevices::defaultAudioOutput();
  if (!device.isNull()) {
    auto output = std::make_unique<DeviceOutput>(device, rate);
    if (output->started()) return output;
  }
  // No device, or one that would not start: the speech still takes its
  // time and can be listened to afterwards.
  NameFallbackOnce(playback.target.path);
  return std::make_unique<PacedOutput>(playback.target.path, rate);
}

void AudioPlayer::Done(bool keep) {
  // Played through: what is left of its lip-sync comes before the end.
  if (keep) SendLipSync(true);
  std::unique_ptr<Playback> done = std::move(current_);
  if (!keep) output_.reset();
  // Ended early (failure, reset): the producer must not wait for a reader.
  done->stream->Cancel();
  PostMessage(done->owner, kAudioDoneMessage, static_cast<WPARAM>(done->id),
              static_cast<LPARAM>(MonotonicMs()));
  if (on_done_) on_done_(done->id);
}

void AudioPlayer::SendLipSync(bool all) {
  if (!current_->lips) return;
  std::vector<LipEvent> due =
      all ? current_->lips->TakeAll()
          : current_->lips->TakeDue(output_->PlayedBytes(*current_->stream) / kBytesPerFrame);
  for (const LipEvent& event : due) {
    if (event.kind == LipEvent::Kind::kWord) {
      auto packed = static_cast<std::uint64_t>(static_cast<std::uint32_t>(event.value)) |
                    static_cast<std::uint64_t>(static_cast<std::uint32_t>(event.length)) << 32;
      PostMessage(current_->owner, kWordMessage, static_cast<WPARAM>(current_->id),
                  static_cast<LPARAM>(packed));
    } else {
      PostMessage(current_->owner, kMouthMessage, static_cast<WPARAM>(current_->id),
                  static_cast<LPARAM>(event.value));
    }
  }
}

}  // namespace parlotto::xvoice
