#include "platform/com/error_info.h"

#include <atomic>

#include "platform/com/idispatch.h"

namespace parlotto {
namespace {

class ErrorInfo final : public IErrorInfo, public ICreateErrorInfo {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
      *object = static_cast<IErrorInfo*>(this);
    } else if (riid == IID_ICreateErrorInfo) {
      *object = static_cast<ICreateErrorInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
  }

  HRESULT GetGUID(GUID* guid) override { return Out(guid, fields_.guid); }
  HRESULT GetSource(BSTR* source) override { return Out(source, fields_.source); }
  HRESULT GetDescription(BSTR* text) override { return Out(text, fields_.description); }
  HRESULT GetHelpFile(BSTR* file) override { return Out(file, fields_.help_file); }
  HRESULT GetHelpContext(DWORD* context) override { return Out(context, fields_.help_context); }

  HRESULT SetGUID(REFIID guid) override { return In(&fields_.guid, guid); }
  HRESULT SetSource(const BSTR& source) override { return In(&fields_.source, source); }
  HRESULT SetDescription(const BSTR& text) override { return In(&fields_.description, text); }
  HRESULT SetHelpFile(const BSTR& file) override { return In(&fields_.help_file, file); }
  HRESULT SetHelpContext(DWORD context) override { return In(&fields_.help_context, context); }

 private:
  ~ErrorInfo() = default;

  template <typename T>
  static HRESULT Out(T* out, const T& value) {
    if (out == nullptr) return E_INVALIDARG;
    *out = value;
    return S_OK;
  }
  template <typename T>
  static HRESULT In(T* field, const T& value) {
    *field = value;
    return S_OK;
  }

  std::atomic<ULONG> refs_{0};
  ErrorInfoFields fields_;
};

thread_local IErrorInfo* t_error_info = nullptr;

// Releases the slot's reference when the thread ends.
struct SlotGuard {
  ~SlotGuard() {
    if (IErrorInfo* info = std::exchange(t_error_info, nullptr)) info->Release();
  }
};
thread_local SlotGuard t_slot_guard;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  auto* created = new ErrorInfo;
  return created->QueryInterface(IID_ICreateErrorInfo, reinterpret_cast<void**>(info));
}

HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info) {
  if (reserved != 0) return E_INVALIDARG;
  (void)&t_slot_guard;
  if (info) info->AddRef();
  if (IErrorInfo* old = std::exchange(t_error_info, info)) old->Release();
  return S_OK;
}

HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (reserved != 0) return E_INVALIDARG;
  *info = std::exchange(t_error_info, nullptr);
  return *info ? S_OK : S_FALSE;
}

ErrorInfoFields ReadErrorInfo(IErrorInfo* info) {
  ErrorInfoFields fields;
  if (info == nullptr) return fields;
  info->GetGUID(&fields.guid);
  info->GetSource(&fields.source);
  info->GetDescription(&fields.description);
  info->GetHelpFile(&fields.help_file);
  info->GetHelpContext(&fields.help_context);
  return fields;
}

void SetErrorInfoFields(const ErrorInfoFields& fields) {
  ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.Receive()))) return;
  create->SetGUID(fields.guid);
  create->SetSource(fields.source);
  create->SetDescription(fields.description);
  create->SetHelpFile(fields.help_file);
  create->SetHelpContext(fields.help_context);
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create.As(IID_IErrorInfo, &info))) SetErrorInfo(0, info.Get());
}

HRESULT FailWithErrorInfo(HRESULT hr, const QString& source, const IID& iid,
                          const QString& description) {
  ErrorInfoFields fields;
  fields.source = source;
  fields.description = description;
  fields.guid = iid;
  SetErrorInfoFields(fields);
  return hr;
}

HRESULT ErrorInfoFromException(const EXCEPINFO& excep_info, HRESULT hr) {
  ErrorInfoFields fields;
  fields.source = excep_info.bstrSource;
  fields.description = excep_info.bstrDescription;
  fields.help_file = excep_info.bstrHelpFile;
  fields.help_context = excep_info.dwHelpContext;
  SetErrorInfoFields(fields);
  return FAILED(excep_info.scode) ? excep_info.scode : hr;
}

HRESULT ExceptionFromErrorInfo(HRESULT hr, EXCEPINFO* excep_info) {
  if (excep_info == nullptr) return hr;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) != S_OK || !info) return hr;
  ErrorInfoFields fields = ReadErrorInfo(info.Get());
  *excep_info = EXCEPINFO();
  excep_info->bstrSource = fields.source;
  excep_info->bstrDescription = fields.description;
  excep_info->bstrHelpFile = fields.help_file;
  excep_info->dwHelpContext = fields.help_context;
  excep_info->scode = hr;
  return DISP_E_EXCEPTION;
}

}  // namespace parlotto
