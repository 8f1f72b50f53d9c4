// The speaker of the server: the speech runtime's speech control, created in
// this process and called late-bound through IDispatch. Its events give the
// end of each text, the word that sounds and the mouth shape.
#pragma once

#include <QString>

#include "agentsvr/agent_queue/speaker.h"
#include "platform/com/idispatch.h"

namespace parlotto {
class IConnectionPoint;
}

namespace parlotto::agent {

class SpeechControlSpeaker final : public Speaker {
 public:
  // A control that cannot be created leaves the speaker unusable
  // (Usable() false, every Speak fails), so that a character still loads
  // and its speech requests still end.
  SpeechControlSpeaker();
  ~SpeechControlSpeaker() override;
  SpeechControlSpeaker(const SpeechControlSpeaker&) = delete;
  SpeechControlSpeaker& operator=(const SpeechControlSpeaker&) = delete;

  bool Usable() const { return static_cast<bool>(control_); }

  bool Speak(const QString& text) override;
  void Silence() override;

  // Selects the engine mode whose mode id is `mode_id` ("{GUID}", any
  // case). E_INVALIDARG with error info when no mode has it.
  HRESULT SelectMode(const QString& mode_id);
  // Selects the voice of an espeak-ng voice name ("de", "en") or
  // identifier ("gmw/de"); false, and the runtime's default voice, when
  // no mode is that voice.
  bool SelectVoice(const QString& voice);

 private:
  class EventSink;

  // The mode number whose ModeID is `mode_id`, or 0.
  int FindMode(const QString& mode_id);
  HRESULT InvokeMethod(DISPID id, const std::vector<VARIANT>& args, VARIANT* result);
  void OnEvent(DISPID member, const DISPPARAMS& params);

  ComPtr<IDispatch> control_;
  ComPtr<IConnectionPoint> events_;
  EventSink* sink_ = nullptr;
  DWORD cookie_ = 0;
  int unfinished_ = 0;
};

}  // namespace parlotto::agent
