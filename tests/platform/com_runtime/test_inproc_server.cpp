// An in-process server for tests: one class whose objects count and can be
// aggregated.
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/com_runtime/test_contract/test_interfaces.h"

namespace parlotto {
namespace {

class Counter final : public ComObject, public NoTypeInfo<ITestCounter> {
 public:
  explicit Counter(IUnknown* outer) : ComObject(outer) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Next(LONG* value) override {
    *value = ++count_;
    return S_OK;
  }

 private:
  void* FindInterface(REFIID iid) override {
    return iid == IID_ITestCounter ? static_cast<ITestCounter*>(this) : nullptr;
  }
  LONG count_ = 0;
};

class Factory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    return S_OK;  // static object: no counting
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return ComObject::Create<Counter>(outer, iid, out);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace
}  // namespace parlotto

extern "C" __attribute__((visibility("default"))) parlotto::HRESULT DllGetClassObject(
    const parlotto::CLSID& clsid, const parlotto::IID& iid, void** out) {
  using namespace parlotto;
  constexpr CLSID kCounter = MakeGuid("{0C0FFEE0-1234-4321-8765-0123456789AB}");
  if (clsid != kCounter) {
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return g_factory.QueryInterface(iid, out);
}
