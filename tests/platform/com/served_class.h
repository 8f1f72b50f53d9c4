// A class that the test process itself serves on the bus, so that helper
// processes can create its objects and call into the test.
#pragma once

#include <gtest/gtest.h>

#include "platform/com/activation.h"
#include "platform/com/com_object.h"

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
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  ULONG refs_ = 0;
};

// Serves objects of `T` under `clsid` while it lives.
template <typename T>
class ServedClass {
 public:
  explicit ServedClass(REFCLSID clsid) {
    ComPtr<IClassFactory> factory(new ObjectFactory<T>);
    EXPECT_EQ(CoRegisterClassObject(clsid, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie_),
              S_OK);
  }
  ~ServedClass() { CoRevokeClassObject(cookie_); }
  ServedClass(const ServedClass&) = delete;
  ServedClass& operator=(const ServedClass&) = delete;

 private:
  DWORD cookie_ = 0;
};

}  // namespace parlotto::testing
