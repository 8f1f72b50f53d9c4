// A stage that draws nothing: it keeps the figure's state (visible,
// position, menu) and lets each animation take the time its steps add up
// to. The server stands a character on it where no character window is
// built in.
#pragma once

#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "agentsvr/character.h"
#include "agentsvr/stage.h"

namespace parlotto::agent {

class HeadlessStage final : public Stage {
 public:
  explicit HeadlessStage(const Character& character);
  ~HeadlessStage() override;

  void Show(bool fast, std::function<void()> done) override;
  void Hide(bool fast, std::function<void()> done) override;
  bool Play(const QString& animation, std::function<void()> done) override;
  void StopAnimation() override;

  void SpeechStarted(const QString&) override {}
  void SpeakingWord(int, int) override {}
  void SpeakingMouth(MouthShape) override {}
  void SpeechEnded() override {}

  bool Visible() const override { return visible_; }
  QPoint Position() const override { return position_; }
  void SetPosition(QPoint top_left) override { position_ = top_left; }
  QSize FrameSize() const override { return frame_size_; }
  void SetMenu(const std::vector<MenuCommand>& commands, const QString& hide_caption) override;

 private:
  // Runs `done` after the animation `name` would have played (at once for
  // none or `fast`).
  void Run(const QString& name, bool fast, std::function<void()> done);
  int DurationMs(const QString& name) const;
  void EndRunning();

  std::map<QString, int> durations_;
  QSize frame_size_;
  bool visible_ = false;
  QPoint position_;
  std::vector<MenuCommand> menu_;
  QString hide_caption_;
  QTimer timer_;
  std::function<void()> running_done_;
};

}  // namespace parlotto::agent
