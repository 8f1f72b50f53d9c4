// The process's speech machinery, shared by its controls: the synthesis
// thread and the audio thread. It runs while some control has spoken and
// still exists; the last one to go stops it. Utterances of all controls
// are spoken one after the other, as by one speech device.
#pragma once

#include <QThread>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/loop/window_messages.h"
#include "xvoice/xvoice_audio/audio_player.h"
#include "xvoice/xvoice_audio/audio_target.h"
#include "xvoice/xvoice_lipsync/word_positions.h"
#include "xvoice/xvoice_synthesis/synthesizer.h"
#include "xvoice/xvoice_text/speech_values.h"

namespace parlotto::xvoice {

struct SpeechRequest {
  HWND owner = 0;  // receives kAudioDoneMessage
  std::uint64_t id = 0;
  std::string voice;
  std::string input;
  int pitch = 50;  // espeak-ng's units
  int volume = 100;
  Balance balance;
  AudioTarget target;
  // Leads espeak-ng's words back to the text; lip-sync events come only
  // when it is given.
  std::optional<WordLocator> words;
};

class SpeechEngine {
 public:
  // Main thread.
  static std::shared_ptr<SpeechEngine> Acquire();
  ~SpeechEngine();
  SpeechEngine(const SpeechEngine&) = delete;
  SpeechEngine& operator=(const SpeechEngine&) = delete;

  // Queues an utterance; its end message always comes, unless the owner's
  // window is gone by then.
  void Speak(SpeechRequest request);
  // Ends every utterance of `owner` now; each still gets its end message.
  void Cancel(HWND owner);

 private:
  SpeechEngine();
  void Forget(std::uint64_t id);

  struct Active {
    HWND owner;
    std::shared_ptr<PcmStream> stream;
  };
  std::mutex mutex_;
  std::map<std::uint64_t, Active> active_;
  bool closing_ = false;  // the player is going; nothing more is enqueued
  Synthesizer synthesizer_;
  QThread audio_thread_;
  AudioPlayer* player_;  // lives on audio_thread_
};

}  // namespace parlotto::xvoice
