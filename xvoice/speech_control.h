// The speech control: properties for voice, speed, pitch and volume, Speak
// that queues a text and returns, and the AudioStop event once the text's
// audio has been played. Reached late-bound through IDispatch; events go
// to the sinks advised on its connection point. Lives on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com_runtime/connection_point.h"
#include "platform/loop/window_messages.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto::xvoice {

class SpeechEngine;

class DirectSS final : public ComObject,
                       public DispatchImpl<IDispatch>,
                       public IConnectionPointContainer,
                       private IInvokeTarget {
 public:
  DirectSS(IUnknown* outer, ITypeInfo* info);
  ~DirectSS() override;

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

 private:
  class EndWindow;

  void* FindInterface(REFIID iid) override;
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;

  HRESULT Speak(const QString& text);
  void AudioReset();
  void SelectMode(LONG mode);
  LONG Clamped(const char* name, LONG value, LONG clamped);
  enum class ModeField { kName, kId, kLanguage };
  HRESULT ModeText(LONG mode, ModeField field, VARIANT* result);
  void OnAudioDone(std::uint64_t id, std::int64_t end_ms);
  void OnLipSync(UINT message, std::uint64_t id, LPARAM value);
  void FireEvent(DISPID event, const std::vector<VARIANT>& args);

  LONG speed_;
  LONG pitch_;
  LONG volume_left_;
  LONG volume_right_;
  LONG mode_;
  bool lip_sync_ = false;
  ConnectionPoint events_;
  std::set<std::uint64_t> pending_;
  // Lip-sync of utterances below this id is not sent: AudioReset dropped
  // them, and what the audio thread posted before must not come after it.
  std::uint64_t lip_sync_from_ = 0;
  std::unique_ptr<EndWindow> window_;
  std::shared_ptr<SpeechEngine> engine_;
};

}  // namespace parlotto::xvoice
