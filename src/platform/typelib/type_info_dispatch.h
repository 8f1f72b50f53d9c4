// IDispatch from a type description. An object that implements a dual
// interface derives from DispatchImpl<ITheInterface> (or holds a
// TypeInfoDispatch) and gets the four IDispatch methods from its ITypeInfo;
// Invoke calls back into the object's IInvokeTarget.
#pragma once

#include "platform/com/typeinfo.h"

namespace parlotto {

class TypeInfoDispatch {
 public:
  // `target`, usually the object itself, must outlive this helper. A null
  // `info` (a library that failed to load) makes an object without type
  // information: count 0, and every call fails with E_UNEXPECTED.
  TypeInfoDispatch(ITypeInfo* info, IInvokeTarget* target);

  HRESULT GetTypeInfoCount(UINT* count);
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info);
  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err);

 private:
  ComPtr<ITypeInfo> info_;
  IInvokeTarget* target_;
};

// Implements the IDispatch part of `Interface`, an interface derived from
// IDispatch. The derived class passes its type info and itself as target.
template <typename Interface>
class DispatchImpl : public Interface {
 public:
  HRESULT GetTypeInfoCount(UINT* count) override { return dispatch_.GetTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return dispatch_.GetTypeInfo(index, lcid, info);
  }
  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid,
                        DISPID* ids) override {
    return dispatch_.GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) override {
    return dispatch_.Invoke(member, riid, lcid, flags, params, result, excep_info, arg_err);
  }

 protected:
  DispatchImpl(ITypeInfo* info, IInvokeTarget* target) : dispatch_(info, target) {}
  ~DispatchImpl() = default;

 private:
  TypeInfoDispatch dispatch_;
};

}  // namespace parlotto
