#include "xvoice/xvoice_lipsync/lip_sync.h"

#include <algorithm>
#include <limits>

#include "xvoice/xvoice_lipsync/mouth_shapes.h"

namespace parlotto::xvoice {

void LipSyncTrack::Add(const LipEvent& event) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(event);
}

std::vector<LipEvent> LipSyncTrack::TakeLocked(std::int64_t frame) {
  std::vector<LipEvent> due;
  while (!events_.empty() && events_.front().frame <= frame) {
    due.push_back(events_.front());
    events_.pop_front();
    if (due.back().kind == LipEvent::Kind::kMouth) last_shape_ = due.back().value;
  }
  return due;
}

std::vector<LipEvent> LipSyncTrack::TakeDue(std::int64_t frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  return TakeLocked(frame);
}

std::vector<LipEvent> LipSyncTrack::TakeAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<LipEvent> rest = TakeLocked(std::numeric_limits<std::int64_t>::max());
  if (last_shape_ != kMouthRest) {
    std::int64_t frame = rest.empty() ? 0 : rest.back().frame;
    rest.push_back(LipEvent{frame, LipEvent::Kind::kMouth, kMouthRest, 0});
    last_shape_ = kMouthRest;
  }
  return rest;
}

LipSyncCollector::LipSyncCollector(WordLocator words, std::shared_ptr<LipSyncTrack> track)
    : words_(std::move(words)), track_(std::move(track)) {}

void LipSyncCollector::OnWord(std::int64_t frame, int position) {
  SettleDiphthong(frame);
  std::optional<WordSpan> word = words_.Locate(position);
  if (!word) return;
  last_frame_ = std::max(last_frame_, frame);
  track_->Add(LipEvent{last_frame_, LipEvent::Kind::kWord, word->start, word->length});
}

void LipSyncCollector::OnPhoneme(std::int64_t frame, std::string_view mnemonic) {
  SettleDiphthong(frame);
  PhonemeShapes shapes = ShapesOfPhoneme(mnemonic);
  AddShape(frame, shapes.start);
  if (shapes.end != shapes.start) glide_ = Glide{frame, shapes.end};
}

void LipSyncCollector::Finish(std::int64_t frame) { SettleDiphthong(frame); }

void LipSyncCollector::SettleDiphthong(std::int64_t next_frame) {
  if (!glide_) return;
  Glide glide = *glide_;
  glide_.reset();
  if (next_frame <= glide.frame) return;  // no time to show it
  AddShape(glide.frame + (next_frame - glide.frame) / 2, glide.shape);
}

void LipSyncCollector::AddShape(std::int64_t frame, MouthShape shape) {
  if (shape == last_shape_) return;
  last_shape_ = shape;
  // espeak-ng's frames only grow; kept so, the track stays in order.
  last_frame_ = std::max(last_frame_, frame);
  track_->Add(LipEvent{last_frame_, LipEvent::Kind::kMouth, shape, 0});
}

}  // namespace parlotto::xvoice
