#include "agentsvr/headless_stage.h"

#include <algorithm>
#include <utility>

namespace parlotto::agent {

HeadlessStage::HeadlessStage(const Character& character) : frame_size_(character.frame_size) {
  for (const auto& [name, animation] : character.animations) {
    int total = 0;
    for (const AnimationStep& step : animation.steps) total += std::max(step.duration_ms, 0);
    durations_[name] = total;
  }
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, [this] { EndRunning(); });
}

HeadlessStage::~HeadlessStage() = default;

int HeadlessStage::DurationMs(const QString& name) const {
  auto it = durations_.find(name.toLower());
  return it == durations_.end() ? 0 : it->second;
}

void HeadlessStage::Run(const QString& name, bool fast, std::function<void()> done) {
  // One animation at a time: a new one ends the one before, whose done
  // still comes, later.
  if (running_done_) QTimer::singleShot(0, &timer_, std::exchange(running_done_, nullptr));
  running_done_ = std::move(done);
  timer_.start(fast ? 0 : DurationMs(name));
}

void HeadlessStage::EndRunning() {
  std::function<void()> done = std::move(running_done_);
  running_done_ = nullptr;
  if (done) done();
}

void HeadlessStage::Show(bool fast, std::function<void()> done) {
  visible_ = true;
  Run(QStringLiteral("show"), fast, std::move(done));
}

void HeadlessStage::Hide(bool fast, std::function<void()> done) {
  Run(QStringLiteral("hide"), fast, [this, done = std::move(done)] {
    visible_ = false;
    done();
  });
}

bool HeadlessStage::Play(const QString& animation, std::function<void()> done) {
  if (durations_.find(animation.toLower()) == durations_.end()) return false;
  Run(animation, false, std::move(done));
  return true;
}

void HeadlessStage::StopAnimation() {
  if (!running_done_) return;
  // Its done still comes, later, as for an animation that ran out.
  timer_.start(0);
}

void HeadlessStage::SetMenu(const std::vector<MenuCommand>& commands, const QString& hide_caption) {
  menu_ = commands;
  hide_caption_ = hide_caption;
}

}  // namespace parlotto::agent
