// The audio thread's player: utterances in the order they were spoken,
// each through the output its target asks for, and at its end a message
// posted to the control that spoke it.
#pragma once

#include <QObject>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/loop/window_messages.h"
#include "xvoice/xvoice_audio/audio_output.h"
#include "xvoice/xvoice_audio/audio_target.h"
#include "xvoice/xvoice_audio/pcm_stream.h"
#include "xvoice/xvoice_lipsync/lip_sync.h"

class QTimer;

namespace parlotto::xvoice {

// Posted to the speaking control's window when an utterance's audio has
// ended: wParam the utterance id, lParam the monotonic milliseconds of the
// end. From the range of registered messages, so that the program's own
// message numbers never meet it.
inline constexpr UINT kAudioDoneMessage = 0xC5A0;
// Lip-sync, posted when the audio reaches the sound: wParam the utterance
// id; lParam the word's start in the low and its length in the high 32
// bits, or the MouthShape. Always before the utterance's end message.
inline constexpr UINT kWordMessage = 0xC5A1;
inline constexpr UINT kMouthMessage = 0xC5A2;

struct Playback {
  std::uint64_t id = 0;
  HWND owner = 0;
  std::shared_ptr<PcmStream> stream;
  AudioTarget target;
  std::shared_ptr<LipSyncTrack> lips;  // may be null
};

class AudioPlayer final : public QObject {
 public:
  // `on_done` runs on the audio thread after each end message was posted.
  explicit AudioPlayer(std::function<void(std::uint64_t id)> on_done);
  ~AudioPlayer() override;

  // From any thread.
  void Enqueue(Playback playback);
  // From any thread: more audio is there, or the stream has finished.
  void Wake();

 private:
  void Tick();
  std::unique_ptr<AudioOutput> OutputFor(const Playback& playback);
  // `keep`: the output may serve the next utterance.
  void Done(bool keep);
  // The current utterance's lip-sync events that its audio has reached;
  // all of them once it is over.
  void SendLipSync(bool all);

  std::function<void(std::uint64_t)> on_done_;
  QTimer* timer_;
  QTimer* idle_timer_;  // closes a kept output nobody uses
  std::mutex mutex_;
  std::deque<Playback> queue_;
  // The audio thread's own state.
  std::unique_ptr<Playback> current_;
  std::unique_ptr<AudioOutput> output_;
};

}  // namespace parlotto::xvoice
