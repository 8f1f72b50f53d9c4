// The IDispatch part of an object that offers no type information: it has
// no names and takes no late-bound calls.
#pragma once

#include "platform/com/idispatch.h"

namespace parlotto {

template <typename Interface>
class NoTypeInfo : public Interface {
 public:
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

 protected:
  ~NoTypeInfo() = default;
};

}  // namespace parlotto
