// What speaks a character's texts. Abstract so that the request queue can
// be tested without a speech runtime; the real one is SpeechControlSpeaker.
#pragma once

#include <QString>
#include <functional>

#include "contracts/speech_control/speech_control_ids.h"

namespace parlotto::agent {

class Speaker {
 public:
  virtual ~Speaker() = default;

  // Starts speaking `text` (speech tags included) and returns while it
  // sounds. False when it cannot start; then no end comes for it.
  virtual bool Speak(const QString& text) = 0;
  // Ends everything started at once; the end still comes.
  virtual void Silence() = 0;

  // Set by the user of the speaker; each is called later, on the main
  // thread, never from inside Speak or Silence.
  // Every text started has ended (once per Speak, or once for several when
  // texts were silenced meanwhile).
  std::function<void()> on_end;
  // The word at [start, start + length) of the text as given to Speak
  // sounds now.
  std::function<void(int start, int length)> on_word;
  std::function<void(MouthShape shape)> on_mouth;
};

}  // namespace parlotto::agent
