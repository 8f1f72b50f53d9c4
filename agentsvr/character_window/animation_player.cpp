#include "agentsvr/character_window/animation_player.h"

#include <algorithm>
#include <utility>

namespace parlotto::agent {

AnimationPlayer::AnimationPlayer(std::function<void(int frame)> show_frame)
    : show_frame_(std::move(show_frame)) {
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { Advance(); });
}

AnimationPlayer::~AnimationPlayer() { timer_.stop(); }

void AnimationPlayer::Play(const Animation& animation, std::function<void()> on_end,
                           std::function<void()> done) {
  Stop();
  on_end_ = std::move(on_end);
  done_ = std::move(done);
  Start(animation, State::kPlaying);
}

void AnimationPlayer::Loop(const Animation& animation) {
  Stop();
  Start(animation, State::kLooping);
}

void AnimationPlayer::Stop() {
  timer_.stop();
  const bool was_playing = state_ == State::kPlaying;
  state_ = State::kIdle;
  steps_.clear();
  // Moved out first: the end may start the next animation on this player.
  auto on_end = std::exchange(on_end_, nullptr);
  auto done = std::exchange(done_, nullptr);
  if (!was_playing) return;
  if (on_end) on_end();
  if (done) QMetaObject::invokeMethod(&context_, std::move(done), Qt::QueuedConnection);
}

void AnimationPlayer::Start(const Animation& animation, State state) {
  // Steps that keep the frame are merged, so the timer fires only when
  // something new is to be drawn.
  for (const AnimationStep& step : animation.steps) {
    const int duration = std::max(0, step.duration_ms);
    if (!steps_.empty() && steps_.back().frame == step.frame) {
      steps_.back().duration_ms += duration;
    } else {
      steps_.push_back({step.frame, duration});
    }
  }
  if (state == State::kLooping && steps_.size() > 1 &&
      steps_.front().frame == steps_.back().frame) {
    // A loop that ends on its first frame would otherwise wake once more
    // to draw the frame already shown.
    steps_.front().duration_ms += steps_.back().duration_ms;
    steps_.pop_back();
  }
  state_ = state;
  next_ = 0;
  if (steps_.empty()) {
    if (state == State::kPlaying)
      Stop();
    else
      state_ = State::kIdle;
    return;
  }
  ShowStep();
}

void AnimationPlayer::ShowStep() {
  const Step step = steps_[next_++];
  show_frame_(step.frame);
  if (state_ == State::kLooping && steps_.size() == 1) return;  // a still picture
  timer_.start(step.duration_ms);
}

void AnimationPlayer::Advance() {
  if (next_ < steps_.size()) {
    ShowStep();
  } else if (state_ == State::kLooping) {
    next_ = 0;
    ShowStep();
  } else {
    Stop();
  }
}

}  // namespace parlotto::agent
