#include "parlotto/speech/speech_control_host.h"

#include <stdexcept>
#include <string>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
#include "platform/com/no_type_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/connection_point.h"

namespace parlotto {
namespace {

// A failed call on the control, as the program's exception hook reports it.
[[noreturn]] void ThrowComError(const char* what, HRESULT hr) {
  std::string text = HResultMessage(hr);
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) == S_OK) {
    BSTR description;
    info->GetDescription(&description);
    if (!description.isEmpty()) text = description.toStdString();
  }
  if (text.empty()) text = DescribeHResult(hr);
  throw std::runtime_error(std::string(what) + ": " + text);
}

}  // namespace

// Receives the control's events.
class TDirectSS::EventSink final : public ComObject, public NoTypeInfo<IDispatch> {
 public:
  EventSink(IUnknown* outer, TDirectSS* host) : ComObject(outer), host_(host) {}

  PARLOTTO_DELEGATING_UNKNOWN

  void Detach() { host_ = nullptr; }

  HRESULT Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    if (member != DISPID_DirectSSEvents_AudioStop || host_ == nullptr) return S_OK;
    if (host_->unfinished_ > 0) --host_->unfinished_;
    if (host_->OnAudioStop) host_->OnAudioStop();
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch || iid == DIID_DirectSSEvents ? static_cast<IDispatch*>(this)
                                                              : nullptr;
  }

  TDirectSS* host_;
};

TDirectSS::TDirectSS() {
  HRESULT hr = CoCreateInstance(CLSID_DirectSS, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, control_.ReceiveVoid());
  if (FAILED(hr)) ThrowComError("DirectSS", hr);
  ComPtr<IConnectionPointContainer> container;
  hr = control_.As(IID_IConnectionPointContainer, &container);
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID_DirectSSEvents, events_.Receive());
  if (FAILED(hr)) ThrowComError("DirectSS events", hr);
  sink_ = new EventSink(nullptr, this);
  ComPtr<IUnknown> sink(sink_->InnerUnknown());
  hr = events_->Advise(sink.Get(), &cookie_);
  if (FAILED(hr)) {
    sink_->Detach();
    ThrowComError("DirectSS events", hr);
  }
}

TDirectSS::~TDirectSS() {
  if (sink_ != nullptr) sink_->Detach();
  if (events_ && cookie_ != 0) events_->Unadvise(cookie_);
}

void TDirectSS::Put(DISPID id, const VARIANT& value) {
  VARIANT arg = value;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &named, 1, 1};
  HRESULT hr = control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                nullptr, nullptr, nullptr);
  if (FAILED(hr)) ThrowComError("DirectSS property", hr);
}

VARIANT TDirectSS::Get(DISPID id) {
  DISPPARAMS params;
  VARIANT result;
  HRESULT hr = control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params,
                                &result, nullptr, nullptr);
  if (FAILED(hr)) ThrowComError("DirectSS property", hr);
  return result;
}

void TDirectSS::SetInitialized(std::int16_t value) {
  Put(DISPID_DirectSS_Initialized, VARIANT::I2(value));
}
void TDirectSS::SetPitch(std::int32_t value) { Put(DISPID_DirectSS_Pitch, VARIANT::I4(value)); }
void TDirectSS::SetSpeed(std::int32_t value) { Put(DISPID_DirectSS_Speed, VARIANT::I4(value)); }
void TDirectSS::SetVolumeRight(std::int32_t value) {
  Put(DISPID_DirectSS_VolumeRight, VARIANT::I4(value));
}
void TDirectSS::SetVolumeLeft(std::int32_t value) {
  Put(DISPID_DirectSS_VolumeLeft, VARIANT::I4(value));
}
void TDirectSS::SetCurrentMode(std::int32_t value) {
  Put(DISPID_DirectSS_CurrentMode, VARIANT::I4(value));
}

std::int32_t TDirectSS::GetLong(DISPID id) {
  VARIANT value;
  HRESULT hr = VariantChangeType(&value, Get(id), VT_I4);
  if (FAILED(hr)) ThrowComError("DirectSS property", hr);
  return value.lVal;
}

std::int32_t TDirectSS::Pitch() { return GetLong(DISPID_DirectSS_Pitch); }
std::int32_t TDirectSS::Speed() { return GetLong(DISPID_DirectSS_Speed); }
std::int32_t TDirectSS::VolumeRight() { return GetLong(DISPID_DirectSS_VolumeRight); }
std::int32_t TDirectSS::VolumeLeft() { return GetLong(DISPID_DirectSS_VolumeLeft); }
std::int32_t TDirectSS::CurrentMode() { return GetLong(DISPID_DirectSS_CurrentMode); }
std::int32_t TDirectSS::CountEngines() { return GetLong(DISPID_DirectSS_CountEngines); }

void TDirectSS::Speak(const QString& text) {
  VARIANT arg = VARIANT::Bstr(text);
  DISPPARAMS params{&arg, nullptr, 1, 0};
  HRESULT hr = control_->Invoke(DISPID_DirectSS_Speak, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  if (FAILED(hr)) ThrowComError("DirectSS Speak", hr);
  ++unfinished_;
}

void TDirectSS::AudioReset() {
  DISPPARAMS params{nullptr, nullptr, 0, 0};
  HRESULT hr = control_->Invoke(DISPID_DirectSS_AudioReset, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  if (FAILED(hr)) ThrowComError("DirectSS AudioReset", hr);
}

}  // namespace parlotto
