// The synthesis thread: espeak-ng in synchronous mode, one utterance after
// the other, its samples turned to stereo and handed on as they come. All
// synthesis calls happen on this thread, since espeak-ng is one global
// state.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "xvoice/xvoice_audio/pcm_stream.h"
#include "xvoice/xvoice_lipsync/lip_sync.h"
#include "xvoice/xvoice_text/speech_values.h"

namespace parlotto::xvoice {

struct SynthesisJob {
  std::string voice;  // espeak-ng identifier; empty gives silence
  std::string input;  // UTF-8 with embedded commands, see speech_text.h
  int pitch = 50;     // espeak-ng's units, set before the input is read
  int volume = 100;
  Balance balance;
  std::shared_ptr<PcmStream> stream;  // finished when the job is done
  // Takes espeak-ng's word and phoneme events; none when null.
  std::shared_ptr<LipSyncCollector> lips;
  // Called on the synthesis thread whenever at least `wake_bytes` of audio
  // are buffered after a piece was handed on, and once more when the job is
  // done (spoken, cancelled or dropped).
  std::function<void()> on_audio;
  std::size_t wake_bytes = 0;
};

class Synthesizer {
 public:
  Synthesizer();
  // Cancels what is queued and running and waits for the thread.
  ~Synthesizer();
  Synthesizer(const Synthesizer&) = delete;
  Synthesizer& operator=(const Synthesizer&) = delete;

  void Submit(SynthesisJob job);

 private:
  void Run();
  void Synthesize(SynthesisJob& job);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<SynthesisJob> jobs_;
  std::shared_ptr<PcmStream> running_;
  bool stopping_ = false;
  std::string voice_;  // selected in espeak-ng
  std::thread thread_;
};

}  // namespace parlotto::xvoice
