// The speech runtime as the settings program uses it: the voices its speech
// control offers, and a sample spoken with the values being edited. The
// control is created through the class registrations like the program
// creates it, so the list is exactly what the program can choose from.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/com/idispatch.h"

namespace parlotto::vsettings {

struct Voice {
  std::int32_t mode = 0;  // the control's mode number, 1..count: "CurrentMode"
  QString name;           // "German"
  QString language;       // "de"
  QString mode_id;        // the GUID without braces, upper case: "ModeID"
};

// What the sample is spoken with; an empty field means the control's own
// start value.
struct SampleValues {
  std::optional<std::int32_t> mode;
  std::optional<std::int32_t> speed;
  std::optional<std::int32_t> pitch;
  std::optional<std::int32_t> volume_left;
  std::optional<std::int32_t> volume_right;
};

// The part of `shown` that the program applies, so that the sample sounds
// like the next reading. Without the character the program sets the mode,
// speed, left and right volume and pitch in this order up to the first value
// it cannot read.
SampleValues DirectModeValues(const SampleValues& shown);
// With the character, speed, pitch and the mean of both volumes go in front
// of the text as speech tags: all of them, or none when one is missing. The
// mode is the character's voice and is kept.
SampleValues CharacterModeValues(const SampleValues& shown);

class SpeechRuntime {
 public:
  // Creates the control; when that fails Available() is false and Problem()
  // says why (runtime not installed, not registered).
  SpeechRuntime();
  SpeechRuntime(const SpeechRuntime&) = delete;
  SpeechRuntime& operator=(const SpeechRuntime&) = delete;

  bool Available() const { return static_cast<bool>(control_); }
  const QString& Problem() const { return problem_; }

  // The control's start values, read before anything is set: what the
  // program speaks with when a value is not stored. Empty without a control.
  const SampleValues& StartValues() const { return start_values_; }

  // Every engine mode, in the control's order.
  const std::vector<Voice>& Voices() const { return voices_; }
  // The mode with this id (braces and case do not matter), or 0.
  std::int32_t ModeOfId(const QString& mode_id) const;
  // The first mode whose language is `language` or a variant of it ("en"
  // matches "en-gb"), or 0.
  std::int32_t ModeOfLanguage(const QString& language) const;

  // Stops what the control is still saying, sets `values` (the control's
  // start values where they are empty) and speaks `text`;
  // returns while it speaks. False with Problem() set when the control
  // refused.
  bool SpeakSample(const QString& text, const SampleValues& values);

  // A property of the control as it is now, by dispatch id; for checking
  // what a sample was spoken with. nullopt when it cannot be read.
  std::optional<std::int32_t> Property(DISPID id);

 private:
  bool Put(DISPID id, std::int32_t value);
  bool CallMethod(DISPID id, std::vector<VARIANT> args, VARIANT* result);
  void ListVoices();

  ComPtr<IDispatch> control_;
  std::vector<Voice> voices_;
  SampleValues start_values_;
  QString problem_;
};

}  // namespace parlotto::vsettings
