#include "platform/com_runtime/late_bound.h"

#include <algorithm>

#include "platform/com/error_info.h"

namespace parlotto {
namespace {

HRESULT InvokeByName(IDispatch* object, const char* name, WORD flags,
                     const std::vector<VARIANT>& args, VARIANT* result) {
  if (object == nullptr) return E_POINTER;
  DISPID id = 0;
  const LPOLESTR names[] = {QString::fromUtf8(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  // The last argument comes first.
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params;
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  // A property's new value is passed as the named argument "put".
  DISPID put = DISPID_PROPERTYPUT;
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  VARIANT ignored;
  EXCEPINFO excep;
  UINT arg_err = 0;
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                      result != nullptr ? result : &ignored, &excep, &arg_err);
  if (hr == DISP_E_EXCEPTION) hr = ErrorInfoFromException(excep, hr);
  return hr;
}

}  // namespace

HRESULT GetProperty(IDispatch* object, const char* name, VARIANT* result) {
  return InvokeByName(object, name, DISPATCH_PROPERTYGET, {}, result);
}

HRESULT PutProperty(IDispatch* object, const char* name, const VARIANT& value) {
  return InvokeByName(object, name, DISPATCH_PROPERTYPUT, {value}, nullptr);
}

HRESULT CallMethod(IDispatch* object, const char* name, const std::vector<VARIANT>& args,
                   VARIANT* result) {
  return InvokeByName(object, name, DISPATCH_METHOD, args, result);
}

ComPtr<IDispatch> GetObjectProperty(IDispatch* object, const char* name) {
  VARIANT value;
  if (object == nullptr || FAILED(GetProperty(object, name, &value))) return {};
  return DispatchOf(value);
}

ComPtr<IDispatch> DispatchOf(const VARIANT& value) {
  ComPtr<IDispatch> dispatch;
  IUnknown* object = value.vt == VT_DISPATCH  ? value.pdispVal
                     : value.vt == VT_UNKNOWN ? value.punkVal
                                              : nullptr;
  if (object != nullptr) object->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid());
  return dispatch;
}

}  // namespace parlotto
