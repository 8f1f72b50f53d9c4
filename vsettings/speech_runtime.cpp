#include "vsettings/speech_runtime.h"

#include <string>
#include <utility>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/error_info.h"
#include "platform/com/hresult.h"
#include "platform/com/variant.h"
#include "platform/com_runtime/activation.h"

namespace parlotto::vsettings {
namespace {

QString WithoutBraces(QString id) {
  if (id.startsWith(QLatin1Char('{')) && id.endsWith(QLatin1Char('}')))
    id = id.mid(1, id.size() - 2);
  return id.toUpper();
}

// The control's own words for a failure, else the system's.
QString FailureText(HRESULT hr) {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) == S_OK) {
    BSTR description;
    info->GetDescription(&description);
    if (!description.isEmpty()) return description;
  }
  return QString::fromStdString(DescribeHResult(hr));
}

}  // namespace

SampleValues DirectModeValues(const SampleValues& shown) {
  SampleValues applied;
  if (!shown.mode) return applied;
  applied.mode = shown.mode;
  if (!shown.speed) return applied;
  applied.speed = shown.speed;
  if (!shown.volume_left) return applied;
  applied.volume_left = shown.volume_left;
  if (!shown.volume_right) return applied;
  applied.volume_right = shown.volume_right;
  applied.pitch = shown.pitch;
  return applied;
}

SampleValues CharacterModeValues(const SampleValues& shown) {
  SampleValues applied;
  applied.mode = shown.mode;
  if (!shown.speed || !shown.pitch || !shown.volume_left || !shown.volume_right) return applied;
  applied.speed = shown.speed;
  applied.pitch = shown.pitch;
  const auto mean = static_cast<std::int32_t>(
      (static_cast<std::int64_t>(*shown.volume_left) + *shown.volume_right) / 2);
  applied.volume_left = mean;
  applied.volume_right = mean;
  return applied;
}

SpeechRuntime::SpeechRuntime() {
  HRESULT hr = CoCreateInstance(CLSID_DirectSS, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, control_.ReceiveVoid());
  if (FAILED(hr)) {
    problem_ = FailureText(hr);
    control_.Reset();
    return;
  }
  start_values_.mode = 0;
  start_values_.speed = Property(DISPID_DirectSS_Speed);
  start_values_.pitch = Property(DISPID_DirectSS_Pitch);
  start_values_.volume_left = Property(DISPID_DirectSS_VolumeLeft);
  start_values_.volume_right = Property(DISPID_DirectSS_VolumeRight);
  ListVoices();
}

void SpeechRuntime::ListVoices() {
  const std::optional<std::int32_t> count = Property(DISPID_DirectSS_CountEngines);
  for (std::int32_t mode = 1; count && mode <= *count; ++mode) {
    VARIANT name, id, language;
    if (!CallMethod(DISPID_DirectSS_ModeName, {VARIANT::I4(mode)}, &name) ||
        !CallMethod(DISPID_DirectSS_ModeID, {VARIANT::I4(mode)}, &id) || name.vt != VT_BSTR ||
        id.vt != VT_BSTR) {
      continue;
    }
    Voice voice;
    voice.mode = mode;
    voice.name = name.bstrVal;
    voice.mode_id = WithoutBraces(id.bstrVal);
    // An older runtime without languages still lists its voices by name.
    if (CallMethod(DISPID_DirectSS_ModeLanguage, {VARIANT::I4(mode)}, &language) &&
        language.vt == VT_BSTR) {
      voice.language = language.bstrVal;
    }
    voices_.push_back(std::move(voice));
  }
}

std::int32_t SpeechRuntime::ModeOfId(const QString& mode_id) const {
  const QString wanted = WithoutBraces(mode_id.trimmed());
  for (const Voice& voice : voices_) {
    if (voice.mode_id == wanted) return voice.mode;
  }
  return 0;
}

std::int32_t SpeechRuntime::ModeOfLanguage(const QString& language) const {
  const QString wanted = language.toLower();
  for (const Voice& voice : voices_) {
    if (voice.language == wanted) return voice.mode;
  }
  for (const Voice& voice : voices_) {
    if (voice.language.startsWith(wanted + QLatin1Char('-'))) return voice.mode;
  }
  return 0;
}

bool SpeechRuntime::SpeakSample(const QString& text, const SampleValues& values) {
  if (!control_) return false;
  if (!CallMethod(DISPID_DirectSS_AudioReset, {}, nullptr)) return false;
  // The control is kept from sample to sample, so what is not given goes
  // back to the control's own start values (mode 0: the default voice).
  const std::pair<DISPID, std::optional<std::int32_t>> properties[] = {
      {DISPID_DirectSS_CurrentMode, values.mode ? values.mode : start_values_.mode},
      {DISPID_DirectSS_Speed, values.speed ? values.speed : start_values_.speed},
      {DISPID_DirectSS_Pitch, values.pitch ? values.pitch : start_values_.pitch},
      {DISPID_DirectSS_VolumeLeft,
       values.volume_left ? values.volume_left : start_values_.volume_left},
      {DISPID_DirectSS_VolumeRight,
       values.volume_right ? values.volume_right : start_values_.volume_right}};
  for (const auto& [id, value] : properties) {
    if (value && !Put(id, *value)) return false;
  }
  return CallMethod(DISPID_DirectSS_Speak, {VARIANT::Bstr(text)}, nullptr);
}

std::optional<std::int32_t> SpeechRuntime::Property(DISPID id) {
  if (!control_) return std::nullopt;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  HRESULT hr = control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                &result, nullptr, nullptr);
  VARIANT number;
  if (FAILED(hr) || FAILED(VariantChangeType(&number, result, VT_I4))) return std::nullopt;
  return number.lVal;
}

bool SpeechRuntime::Put(DISPID id, std::int32_t value) {
  VARIANT arg = VARIANT::I4(value);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  HRESULT hr = control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                nullptr, nullptr, nullptr);
  if (FAILED(hr)) problem_ = FailureText(hr);
  return SUCCEEDED(hr);
}

bool SpeechRuntime::CallMethod(DISPID id, std::vector<VARIANT> args, VARIANT* result) {
  // Arguments go last first.
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                    static_cast<UINT>(reversed.size()), 0};
  HRESULT hr = control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                                nullptr, nullptr);
  if (FAILED(hr)) problem_ = FailureText(hr);
  return SUCCEEDED(hr);
}

}  // namespace parlotto::vsettings
