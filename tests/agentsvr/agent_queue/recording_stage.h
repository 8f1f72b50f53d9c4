// A stage and a speaker for tests of what drives them: both record what
// they are told, and the test decides when an animation or a speech ends.
#pragma once

#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "agentsvr/agent_queue/speaker.h"
#include "agentsvr/agent_queue/stage.h"

namespace parlotto::agent::testing {

class RecordingStage final : public Stage {
 public:
  std::vector<std::string> events;
  // Animations the character has; others make Play fail.
  std::vector<QString> animations = {QStringLiteral("ReadContinued"), QStringLiteral("Read")};

  void Show(bool fast, std::function<void()> done) override {
    visible_ = true;
    Begin(fast ? "Show fast" : "Show", std::move(done));
  }
  void Hide(bool fast, std::function<void()> done) override {
    visible_ = false;
    Begin(fast ? "Hide fast" : "Hide", std::move(done));
  }
  bool Play(const QString& animation, std::function<void()> done) override {
    for (const QString& known : animations) {
      if (known.compare(animation, Qt::CaseInsensitive) == 0) {
        Begin("Play " + animation.toStdString(), std::move(done));
        return true;
      }
    }
    events.push_back("Play " + animation.toStdString() + " unknown");
    return false;
  }
  void StopAnimation() override {
    events.emplace_back("StopAnimation");
    // Its done still comes, later.
    if (done_) QTimer::singleShot(0, &context_, std::exchange(done_, nullptr));
  }
  void SpeechStarted(const QString& text) override {
    events.push_back("SpeechStarted " + text.toStdString());
  }
  void SpeakingWord(int start, int length) override {
    events.push_back("Word " + std::to_string(start) + " " + std::to_string(length));
  }
  void SpeakingMouth(MouthShape shape) override {
    events.push_back("Mouth " + std::to_string(shape));
  }
  void SpeechEnded() override { events.emplace_back("SpeechEnded"); }
  bool Visible() const override { return visible_; }
  QPoint Position() const override { return position_; }
  void SetPosition(QPoint top_left) override { position_ = top_left; }
  QSize FrameSize() const override { return QSize(100, 120); }
  void SetMenu(const std::vector<MenuCommand>& commands, const QString& hide_caption) override {
    menu = commands;
    this->hide_caption = hide_caption;
  }

  // Ends the running animation, as the window does when it has played.
  bool EndAnimation() {
    if (!done_) return false;
    std::exchange(done_, nullptr)();
    return true;
  }
  bool Animating() const { return static_cast<bool>(done_); }

  std::vector<MenuCommand> menu;
  QString hide_caption;

 private:
  void Begin(std::string event, std::function<void()> done) {
    events.push_back(std::move(event));
    done_ = std::move(done);
  }

  QObject context_;  // callbacks posted later die with the stage
  std::function<void()> done_;
  bool visible_ = false;
  QPoint position_;
};

// Speaks nothing; keeps the speaker's contract: every started text ends
// once, later; silenced texts end too, together with what follows them.
class FakeSpeaker final : public Speaker {
 public:
  std::vector<QString> spoken;
  int silenced = 0;
  bool refuse = false;             // Speak fails
  bool ends_when_silenced = true;  // false: a lost audio device, no end ever

  bool Speak(const QString& text) override {
    if (refuse) return false;
    spoken.push_back(text);
    ++unfinished_;
    return true;
  }
  void Silence() override {
    ++silenced;
    if (unfinished_ > 0 && ends_when_silenced)
      QTimer::singleShot(0, &context_, [this] { EndAll(); });
  }

  // The audio of everything started has been played.
  void EndAll() {
    if (unfinished_ == 0) return;
    unfinished_ = 0;
    if (on_end) on_end();
  }
  bool Speaking() const { return unfinished_ > 0; }

 private:
  QObject context_;
  int unfinished_ = 0;
};

}  // namespace parlotto::agent::testing
