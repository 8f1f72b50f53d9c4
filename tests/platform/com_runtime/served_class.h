// A class that the test process itself serves on the bus, so that helper
// processes can create its objects and call into the test.
#pragma once

#include <gtest/gtest.h>

#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/object_factory.h"

namespace parlotto::testing {

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
