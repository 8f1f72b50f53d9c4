// A stand-in for an automation server's object in tests: it knows its
// members by name only (no type library) and hands every late-bound call to
// Call with the member's name.
#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com/idispatch.h"

namespace parlotto::testing {

class NamedDispatch : public ComObject, public IDispatch {
 public:
  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    for (std::size_t i = 0; i < members_.size(); ++i) {
      if (members_[i] == names[0]) {
        *ids = static_cast<DISPID>(i + 1);
        return S_OK;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT*) override {
    if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    return Call(members_[static_cast<std::size_t>(id) - 1], *params, result, excep);
  }

 protected:
  NamedDispatch(IUnknown* outer, std::vector<QString> members)
      : ComObject(outer), members_(std::move(members)) {}

  // `params` as Invoke has them: the last argument first.
  virtual HRESULT Call(const QString& name, const DISPPARAMS& params, VARIANT* result,
                       EXCEPINFO* excep) = 0;

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
  }

  std::vector<QString> members_;
};

}  // namespace parlotto::testing
