// Steps through a character's animations on one single-shot timer that
// fires only when the shown frame changes, so a resting figure costs
// nothing. One animation at a time: starting another or stopping ends the
// running one, whose end still runs and whose `done` is still posted.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

#include "character_format/character.h"

namespace parlotto::agent {

class AnimationPlayer {
 public:
  explicit AnimationPlayer(std::function<void(int frame)> show_frame);
  ~AnimationPlayer();
  AnimationPlayer(const AnimationPlayer&) = delete;
  AnimationPlayer& operator=(const AnimationPlayer&) = delete;

  // Plays `animation` once. When it ends or is cut short, `on_end` runs at
  // once and `done` is posted to the event loop (never called from inside
  // Play or Stop). An animation without steps ends at once.
  void Play(const Animation& animation, std::function<void()> on_end, std::function<void()> done);
  // Repeats `animation` until the next Play, Loop or Stop; nothing is
  // called when a loop ends.
  void Loop(const Animation& animation);
  // Ends what runs, as described for Play.
  void Stop();

  bool Playing() const { return state_ == State::kPlaying; }
  bool Looping() const { return state_ == State::kLooping; }

 private:
  enum class State { kIdle, kPlaying, kLooping };
  struct Step {
    int frame;
    int duration_ms;
  };

  void Start(const Animation& animation, State state);
  void ShowStep();
  void Advance();

  std::function<void(int)> show_frame_;
  QObject context_;  // posted `done` calls die with the player
  QTimer timer_;
  State state_ = State::kIdle;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  std::function<void()> on_end_;
  std::function<void()> done_;
};

}  // namespace parlotto::agent
