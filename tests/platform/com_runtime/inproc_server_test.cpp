// In-process servers: the class factory contract, aggregation and the
// failures of a missing library or entry.
#include <gtest/gtest.h>

#include "platform/com/com_object.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/com_fixture.h"
#include "platform/com_runtime/test_contract/test_interfaces.h"

namespace parlotto {
namespace {

// An outer object that aggregates a test object, as the COM rules have it.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, out);
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

class InprocTest : public testing::ComFixture {
 protected:
  static constexpr CLSID kCounter = MakeGuid("{0C0FFEE0-1234-4321-8765-0123456789AB}");

  void RegisterInproc(const std::string& library) {
    Registry registry(RootKey::kClassesRoot);
    ASSERT_TRUE(
        registry.OpenKey("\\CLSID\\" + StringFromGUID(kCounter) + "\\InprocServer32", true));
    registry.WriteString("", library);
  }
};

TEST_F(InprocTest, TheClassFactoryKeepsItsContract) {
  RegisterInproc(PARLOTTO_BUILD_DIR "/tests/test_inproc_server.so");
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(kCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             factory.ReceiveVoid()),
            S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ITestCounter, nullptr), E_POINTER);
  Outer outer;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_ITestCounter, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ITestServer, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  ComPtr<ITestCounter> counter;
  ASSERT_EQ(CoCreateInstance(kCounter, nullptr, CLSCTX_INPROC_SERVER, IID_ITestCounter,
                             counter.ReceiveVoid()),
            S_OK);
  LONG value = 0;
  counter->Next(&value);
  counter->Next(&value);
  EXPECT_EQ(value, 2);
  // Each creation is a new object.
  ComPtr<ITestCounter> other;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ITestCounter, other.ReceiveVoid()), S_OK);
  other->Next(&value);
  EXPECT_EQ(value, 1);
}

TEST_F(InprocTest, AnAggregatedObjectDelegatesToItsOuterObject) {
  RegisterInproc(PARLOTTO_BUILD_DIR "/tests/test_inproc_server.so");
  Outer outer;
  IUnknown* inner = nullptr;
  ASSERT_EQ(CoCreateInstance(kCounter, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&inner)),
            S_OK);
  outer.inner = inner;
  EXPECT_EQ(outer.refs, 1u);  // creating the inner object does not count on the outer one

  ITestCounter* counter = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_ITestCounter, reinterpret_cast<void**>(&counter)), S_OK);
  EXPECT_EQ(outer.refs, 2u);  // the inner object's interface counts on the outer one
  IUnknown* identity = nullptr;
  ASSERT_EQ(counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, &outer);
  identity->Release();
  counter->Release();
  EXPECT_EQ(outer.refs, 1u);
  EXPECT_EQ(inner->Release(), 0u);
}

TEST_F(InprocTest, AMissingLibraryOrEntryFailsAsTheSystemDoes) {
  ComPtr<IUnknown> object;
  RegisterInproc("/nonexistent/libparlotto-test.so");
  EXPECT_EQ(
      CoCreateInstance(kCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
      HRESULT_FROM_WIN32(126));
  RegisterInproc("libm.so.6");
  EXPECT_EQ(
      CoCreateInstance(kCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
      CO_E_ERRORINDLL);
}

}  // namespace
}  // namespace parlotto
