// The host of the speech control of the direct mode: creates the control,
// sets its properties by dispatch id and turns its AudioStop event into
// OnAudioStop. The control itself is the speech runtime's.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "platform/com/idispatch.h"

namespace parlotto {

class IConnectionPoint;

class TDirectSS {
 public:
  // Creates the control. A control that cannot be created (not installed,
  // not registered) throws, with the system's text for the failure.
  TDirectSS();
  ~TDirectSS();
  TDirectSS(const TDirectSS&) = delete;
  TDirectSS& operator=(const TDirectSS&) = delete;

  void SetInitialized(std::int16_t value);
  void SetPitch(std::int32_t value);
  void SetSpeed(std::int32_t value);
  void SetVolumeRight(std::int32_t value);
  void SetVolumeLeft(std::int32_t value);
  void SetCurrentMode(std::int32_t value);
  std::int32_t Pitch();
  std::int32_t Speed();
  std::int32_t VolumeRight();
  std::int32_t VolumeLeft();
  std::int32_t CurrentMode();
  // The number of installed engine modes (voices).
  std::int32_t CountEngines();
  // Starts speaking; returns while the audio plays.
  void Speak(const QString& text);
  // Ends every queued and playing text at once; their AudioStop events
  // still come.
  void AudioReset();
  // True while a text handed to Speak has not sent its AudioStop yet.
  bool Speaking() const { return unfinished_ > 0; }

  // The audio of a spoken text has ended. Runs on the main thread.
  std::function<void()> OnAudioStop;

 private:
  class EventSink;

  void Put(DISPID id, const VARIANT& value);
  VARIANT Get(DISPID id);
  std::int32_t GetLong(DISPID id);

  ComPtr<IDispatch> control_;
  ComPtr<IConnectionPoint> events_;
  EventSink* sink_ = nullptr;
  DWORD cookie_ = 0;
  int unfinished_ = 0;
};

}  // namespace parlotto
