#include "speech/direct_ss.h"

#include <stdexcept>
#include <string>

#include "platform/com/activation.h"
#include "platform/com/com_object.h"
#include "platform/com/connection_point.h"
#include "platform/com/error_info.h"

namespace parlotto {
namespace {

// Dispatch ids of the control's members.
constexpr DISPID kInitialized = 2;
constexpr DISPID kPitch = 7;
constexpr DISPID kSpeed = 10;
constexpr DISPID kVolumeRight = 13;
constexpr DISPID kCountEngines = 18;
constexpr DISPID kCurrentMode = 69;
constexpr DISPID kVolumeLeft = 72;
// Dispatch id of the AudioStop event.
constexpr DISPID kAudioStop = 4;

// A failed call on the control, as the program's exception hook reports it.
[[noreturn]] void Fail(const char* what, HRESULT hr) {
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
class TDirectSS::EventSink final : public ComObject, public IDispatch {
 public:
  EventSink(IUnknown* outer, TDirectSS* host) : ComObject(outer), host_(host) {}

  PARLOTTO_DELEGATING_UNKNOWN

  void Detach() { host_ = nullptr; }

  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    if (member == kAudioStop && host_ != nullptr && host_->OnAudioStop) host_->OnAudioStop();
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch || iid == DIID_IDirectSSEvents ? static_cast<IDispatch*>(this)
                                                               : nullptr;
  }

  TDirectSS* host_;
};

TDirectSS::TDirectSS() {
  HRESULT hr = CoCreateInstance(CLSID_DirectSS, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, control_.ReceiveVoid());
  if (FAILED(hr)) Fail("DirectSS", hr);
  ComPtr<IConnectionPointContainer> container;
  hr = control_.As(IID_IConnectionPointContainer, &container);
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID_IDirectSSEvents, events_.Receive());
  if (FAILED(hr)) Fail("DirectSS events", hr);
  sink_ = new EventSink(nullptr, this);
  ComPtr<IUnknown> sink(sink_->InnerUnknown());
  hr = events_->Advise(sink.Get(), &cookie_);
  if (FAILED(hr)) {
    sink_->Detach();
    Fail("DirectSS events", hr);
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
  if (FAILED(hr)) Fail("DirectSS property", hr);
}

VARIANT TDirectSS::Get(DISPID id) {
  DISPPARAMS params;
  VARIANT result;
  HRESULT hr = control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params,
                                &result, nullptr, nullptr);
  if (FAILED(hr)) Fail("DirectSS property", hr);
  return result;
}

void TDirectSS::SetInitialized(std::int16_t value) { Put(kInitialized, VARIANT::I2(value)); }
void TDirectSS::SetPitch(std::int32_t value) { Put(kPitch, VARIANT::I4(value)); }
void TDirectSS::SetSpeed(std::int32_t value) { Put(kSpeed, VARIANT::I4(value)); }
void TDirectSS::SetVolumeRight(std::int32_t value) { Put(kVolumeRight, VARIANT::I4(value)); }
void TDirectSS::SetVolumeLeft(std::int32_t value) { Put(kVolumeLeft, VARIANT::I4(value)); }
void TDirectSS::SetCurrentMode(std::int32_t value) { Put(kCurrentMode, VARIANT::I4(value)); }

std::int32_t TDirectSS::GetLong(DISPID id) {
  VARIANT value;
  HRESULT hr = VariantChangeType(&value, Get(id), VT_I4);
  if (FAILED(hr)) Fail("DirectSS property", hr);
  return value.lVal;
}

std::int32_t TDirectSS::Pitch() { return GetLong(kPitch); }
std::int32_t TDirectSS::Speed() { return GetLong(kSpeed); }
std::int32_t TDirectSS::VolumeRight() { return GetLong(kVolumeRight); }
std::int32_t TDirectSS::VolumeLeft() { return GetLong(kVolumeLeft); }
std::int32_t TDirectSS::CurrentMode() { return GetLong(kCurrentMode); }
std::int32_t TDirectSS::CountEngines() { return GetLong(kCountEngines); }

void TDirectSS::Speak(const QString& text) {
  LPOLESTR name = QStringLiteral("Speak");
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = control_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) Fail("DirectSS Speak", hr);
  VARIANT arg = VARIANT::Bstr(text);
  DISPPARAMS params{&arg, nullptr, 1, 0};
  hr = control_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                        nullptr, nullptr);
  if (FAILED(hr)) Fail("DirectSS Speak", hr);
}

}  // namespace parlotto
