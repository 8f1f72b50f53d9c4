// Base of the proxies of dual interfaces: IUnknown goes to the remote
// object's identity, IDispatch to its late-bound proxy, and typed members
// are carried by CallMember.
#pragma once

#include "platform/com_runtime/remote_object.h"

namespace parlotto {

template <typename I>
class DualProxy : public I, public ProxyBase {
 public:
  DualProxy(RemoteObject* manager, REFIID iid) : ProxyBase(manager, iid) {}

  void* Interface() override { return static_cast<I*>(this); }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    return ProxyQueryInterface(iid, object);
  }
  ULONG AddRef() override { return ProxyAddRef(); }
  ULONG Release() override { return ProxyRelease(); }

  HRESULT GetTypeInfoCount(UINT* count) override {
    ComPtr<IDispatch> dispatch;
    HRESULT hr = Dispatch(&dispatch);
    return FAILED(hr) ? hr : dispatch->GetTypeInfoCount(count);
  }
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    ComPtr<IDispatch> dispatch;
    HRESULT hr = Dispatch(&dispatch);
    return FAILED(hr) ? hr : dispatch->GetTypeInfo(index, lcid, info);
  }
  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid,
                        DISPID* ids) override {
    ComPtr<IDispatch> dispatch;
    HRESULT hr = Dispatch(&dispatch);
    return FAILED(hr) ? hr : dispatch->GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) override {
    ComPtr<IDispatch> dispatch;
    HRESULT hr = Dispatch(&dispatch);
    return FAILED(hr)
               ? hr
               : dispatch->Invoke(member, riid, lcid, flags, params, result, excep_info, arg_err);
  }

 private:
  HRESULT Dispatch(ComPtr<IDispatch>* dispatch) {
    return ProxyQueryInterface(IID_IDispatch, dispatch->ReceiveVoid());
  }
};

// Out parameters of typed members, with the pointer checks every member needs.
inline HRESULT TakeLong(HRESULT hr, const VARIANT& value, LONG* out) {
  if (SUCCEEDED(hr) && out != nullptr) *out = value.lVal;
  return hr;
}

}  // namespace parlotto
