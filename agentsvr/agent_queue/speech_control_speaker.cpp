#include "agentsvr/agent_queue/speech_control_speaker.h"

#include <string>
#include <utility>
#include <vector>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
#include "platform/com/name_based_guid.h"
#include "platform/com/no_type_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/connection_point.h"
#include "platform/places/diagnostics.h"
#include "xvoice/xvoice_synthesis/voice_catalog.h"

namespace parlotto::agent {
namespace {

// espeak-ng voice names as characters give them, and the identifiers of the
// voices the runtime's modes are made of.
struct VoiceIdentifier {
  const char* name;
  const char* identifier;
};
constexpr VoiceIdentifier kVoiceIdentifiers[] = {
    {"de", "gmw/de"}, {"en", "gmw/en"}, {"en-gb", "gmw/en"}, {"en-us", "gmw/en-US"},
    {"nl", "gmw/nl"}, {"fr", "roa/fr"}, {"es", "roa/es"},    {"it", "roa/it"},
    {"pt", "roa/pt"}, {"pl", "zlw/pl"}, {"cs", "zlw/cs"},    {"sv", "gmq/sv"},
    {"da", "gmq/da"}, {"nb", "gmq/nb"}, {"fi", "urj/fi"},    {"ru", "zle/ru"},
};

QString IdentifierOf(const QString& voice) {
  if (voice.contains(QLatin1Char('/'))) return voice;
  for (const VoiceIdentifier& known : kVoiceIdentifiers) {
    if (voice.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0)
      return QLatin1String(known.identifier);
  }
  return QString();
}

}  // namespace

// Receives the control's events; detached when the speaker goes first.
class SpeechControlSpeaker::EventSink final : public ComObject, public NoTypeInfo<IDispatch> {
 public:
  EventSink(IUnknown* outer, SpeechControlSpeaker* speaker) : ComObject(outer), speaker_(speaker) {}

  PARLOTTO_DELEGATING_UNKNOWN

  void Detach() { speaker_ = nullptr; }

  HRESULT Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    if (speaker_ != nullptr && params != nullptr) speaker_->OnEvent(member, *params);
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch || iid == DIID_DirectSSEvents ? static_cast<IDispatch*>(this)
                                                              : nullptr;
  }

  SpeechControlSpeaker* speaker_;
};

SpeechControlSpeaker::SpeechControlSpeaker() {
  HRESULT hr = CoCreateInstance(CLSID_DirectSS, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                control_.ReceiveVoid());
  if (FAILED(hr)) {
    ReportDiagnostic("character server: no speech control: " + DescribeHResult(hr));
    control_.Reset();
    return;
  }
  ComPtr<IConnectionPointContainer> container;
  hr = control_.As(IID_IConnectionPointContainer, &container);
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID_DirectSSEvents, events_.Receive());
  if (SUCCEEDED(hr)) {
    sink_ = new EventSink(nullptr, this);
    ComPtr<IUnknown> sink(sink_->InnerUnknown());
    hr = events_->Advise(sink.Get(), &cookie_);
  }
  if (SUCCEEDED(hr)) {
    // The lips and the balloon follow the words and sounds.
    VARIANT on = VARIANT::I2(1);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&on, &named, 1, 1};
    hr = control_->Invoke(DISPID_DirectSS_LipSync, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
  }
  if (FAILED(hr)) {
    // Without its events no speech would ever end.
    ReportDiagnostic("character server: the speech control's events: " + DescribeHResult(hr));
    if (sink_ != nullptr) sink_->Detach();
    sink_ = nullptr;
    events_.Reset();
    control_.Reset();
  }
}

SpeechControlSpeaker::~SpeechControlSpeaker() {
  if (sink_ != nullptr) sink_->Detach();
  if (events_ && cookie_ != 0) events_->Unadvise(cookie_);
}

HRESULT SpeechControlSpeaker::InvokeMethod(DISPID id, const std::vector<VARIANT>& args,
                                           VARIANT* result) {
  if (!control_) return E_UNEXPECTED;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                    static_cast<UINT>(reversed.size()), 0};
  return control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                          nullptr, nullptr);
}

bool SpeechControlSpeaker::Speak(const QString& text) {
  HRESULT hr = InvokeMethod(DISPID_DirectSS_Speak, {VARIANT::Bstr(text)}, nullptr);
  if (FAILED(hr)) {
    ReportDiagnostic("character server: Speak failed: " + DescribeHResult(hr));
    return false;
  }
  ++unfinished_;
  return true;
}

void SpeechControlSpeaker::Silence() {
  if (unfinished_ == 0) return;
  HRESULT hr = InvokeMethod(DISPID_DirectSS_AudioReset, {}, nullptr);
  if (FAILED(hr)) ReportDiagnostic("character server: AudioReset failed: " + DescribeHResult(hr));
}

void SpeechControlSpeaker::OnEvent(DISPID member, const DISPPARAMS& params) {
  // Arguments come last first.
  auto arg = [&params](UINT i) -> LONG {
    if (i >= params.cArgs) return 0;
    VARIANT value;
    if (FAILED(VariantChangeType(&value, params.rgvarg[params.cArgs - 1 - i], VT_I4))) return 0;
    return value.lVal;
  };
  switch (member) {
    case DISPID_DirectSSEvents_AudioStop:
      // One per Speak, in order: only the last one ends what is speaking;
      // those of texts given up earlier arrive before it.
      if (unfinished_ > 0 && --unfinished_ == 0 && on_end) on_end();
      break;
    case DISPID_DirectSSEvents_WordPosition:
      if (on_word) on_word(arg(0), arg(1));
      break;
    case DISPID_DirectSSEvents_MouthShape: {
      LONG shape = arg(0);
      if (shape >= 0 && shape < kMouthShapeCount && on_mouth)
        on_mouth(static_cast<MouthShape>(shape));
      break;
    }
    default:
      break;
  }
}

int SpeechControlSpeaker::FindMode(const QString& mode_id) {
  if (!control_) return 0;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT count;
  if (FAILED(control_->Invoke(DISPID_DirectSS_CountEngines, IID_NULL, LOCALE_USER_DEFAULT,
                              DISPATCH_PROPERTYGET, &none, &count, nullptr, nullptr)) ||
      FAILED(VariantChangeType(&count, count, VT_I4))) {
    return 0;
  }
  for (LONG mode = 1; mode <= count.lVal; ++mode) {
    VARIANT id;
    if (SUCCEEDED(InvokeMethod(DISPID_DirectSS_ModeID, {VARIANT::I4(mode)}, &id)) &&
        id.vt == VT_BSTR && id.bstrVal.compare(mode_id, Qt::CaseInsensitive) == 0) {
      return static_cast<int>(mode);
    }
  }
  return 0;
}

HRESULT SpeechControlSpeaker::SelectMode(const QString& mode_id) {
  const int mode = FindMode(mode_id.trimmed());
  if (mode == 0) {
    return FailWithErrorInfo(E_INVALIDARG, QStringLiteral("AgentSvr"), GUID_NULL,
                             QStringLiteral("No speech engine mode has the id %1.").arg(mode_id));
  }
  VARIANT value = VARIANT::I4(mode);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &named, 1, 1};
  return control_->Invoke(DISPID_DirectSS_CurrentMode, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

bool SpeechControlSpeaker::SelectVoice(const QString& voice) {
  const QString identifier = IdentifierOf(voice);
  const int mode = identifier.isEmpty()
                       ? 0
                       : FindMode(QString::fromStdString(StringFromGUID(
                             NameBasedGuid(xvoice::kModeIdNamespace, identifier.toStdString()))));
  if (!control_) return false;
  // Mode 0 is the runtime's default voice.
  VARIANT value = VARIANT::I4(mode);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &named, 1, 1};
  control_->Invoke(DISPID_DirectSS_CurrentMode, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                   &params, nullptr, nullptr, nullptr);
  if (mode == 0) {
    ReportDiagnostic("character server: no speech engine mode for the voice \"" +
                     voice.toStdString() + "\"; the default voice speaks");
  }
  return mode != 0;
}

}  // namespace parlotto::agent
