// A class factory that makes objects of one ComObject class, for the test
// processes that serve a class on the bus.
#pragma once

#include "platform/com/com_object.h"
#include "platform/com/unknown.h"

namespace parlotto::testing {

template <typename T>
class ObjectFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
  }
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return ComObject::Create<T>(outer, iid, out);
  }
  // Counts as a server's lifetime would, so tests see which locks arrive.
  HRESULT LockServer(BOOL lock) override {
    locks += lock ? 1 : -1;
    return S_OK;
  }

  int locks = 0;

 private:
  ULONG refs_ = 0;
};

}  // namespace parlotto::testing
