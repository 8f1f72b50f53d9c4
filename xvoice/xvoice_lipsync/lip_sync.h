// Lip-sync events of one utterance: espeak-ng's word and phoneme events,
// with the audio frame at which each sound begins, handed from the
// synthesis thread to the audio thread, which sends each on when the audio
// reaches its frame.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"
#include "xvoice/xvoice_lipsync/word_positions.h"

namespace parlotto::xvoice {

struct LipEvent {
  enum class Kind { kWord, kMouth };
  std::int64_t frame = 0;  // in the utterance's audio
  Kind kind = Kind::kMouth;
  std::int32_t value = 0;   // kWord: the start of the word; kMouth: the MouthShape
  std::int32_t length = 0;  // kWord: its length
  bool operator==(const LipEvent&) const = default;
};

// Filled by the synthesis thread, emptied by the audio thread; both only
// hold the lock to move events.
class LipSyncTrack {
 public:
  void Add(const LipEvent& event);
  // The events that begin at or before `frame`, in order.
  std::vector<LipEvent> TakeDue(std::int64_t frame);
  // Everything left, closed with kMouthRest unless the mouth rests already:
  // the utterance's audio is over.
  std::vector<LipEvent> TakeAll();

 private:
  std::vector<LipEvent> TakeLocked(std::int64_t frame);

  std::mutex mutex_;
  std::deque<LipEvent> events_;
  // The audio thread's: the last shape handed out.
  std::int32_t last_shape_ = kMouthRest;
};

// Turns espeak-ng's events of one utterance into the track's: words led
// back to the text given to Speak, phonemes to mouth shapes. A diphthong
// shows its second shape half way to the next sound; a shape that repeats
// the one before is left out. Synthesis thread only.
class LipSyncCollector {
 public:
  LipSyncCollector(WordLocator words, std::shared_ptr<LipSyncTrack> track);

  void OnWord(std::int64_t frame, int position);
  void OnPhoneme(std::int64_t frame, std::string_view mnemonic);
  // The utterance's audio ends at `frame`.
  void Finish(std::int64_t frame);

 private:
  void SettleDiphthong(std::int64_t next_frame);
  void AddShape(std::int64_t frame, MouthShape shape);

  WordLocator words_;
  std::shared_ptr<LipSyncTrack> track_;
  MouthShape last_shape_ = kMouthRest;
  std::int64_t last_frame_ = 0;
  // A diphthong that began at `frame` and ends in `shape`.
  struct Glide {
    std::int64_t frame;
    MouthShape shape;
  };
  std::optional<Glide> glide_;
};

}  // namespace parlotto::xvoice
