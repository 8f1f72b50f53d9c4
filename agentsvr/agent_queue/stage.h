// What a character's requests act on: its figure on the screen with the
// balloon and the command menu. The request queue drives a Stage; the
// character window is the real one, tests put a recording one in its place.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"

namespace parlotto::agent {

struct MenuCommand {
  LONG id = 0;
  QString caption;
  bool enabled = true;
  bool visible = true;
};

class Stage {
 public:
  virtual ~Stage() = default;

  // Each `done` is called once, later (never from inside the call), when
  // the animation has ended or has been cut short by StopAnimation.
  virtual void Show(bool fast, std::function<void()> done) = 0;
  virtual void Hide(bool fast, std::function<void()> done) = 0;
  // False, and `done` never called, when the character has no such
  // animation.
  virtual bool Play(const QString& animation, std::function<void()> done) = 0;
  // Ends the running Show/Play at once; its `done` still comes. A Hide's
  // leave plays on to its end, since the figure goes in any case; its
  // `done` comes then.
  virtual void StopAnimation() = 0;

  // Speech: the balloon shows `text` (speech tags and spacing already
  // removed), the
  // word at [start, start + length) of it is highlighted, the mouth follows
  // the sounds. SpeechEnded lets the balloon go shortly after.
  virtual void SpeechStarted(const QString& text) = 0;
  virtual void SpeakingWord(int start, int length) = 0;
  virtual void SpeakingMouth(MouthShape shape) = 0;
  virtual void SpeechEnded() = 0;

  virtual bool Visible() const = 0;
  virtual QPoint Position() const = 0;  // top left, screen pixels
  virtual void SetPosition(QPoint top_left) = 0;
  virtual QSize FrameSize() const = 0;

  // The right-click menu: these commands, then the server's own hide entry
  // with `hide_caption`.
  virtual void SetMenu(const std::vector<MenuCommand>& commands, const QString& hide_caption) = 0;
  // Called when the user picks a command of the menu (its id) or the hide
  // entry, and when the user has dragged the figure elsewhere.
  std::function<void(LONG id)> on_command;
  std::function<void()> on_hide_chosen;
  std::function<void(QPoint top_left)> on_moved;
};

}  // namespace parlotto::agent
