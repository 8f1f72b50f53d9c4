// Proxies: the test interfaces as a client process sees them.
#include "platform/com_runtime/dual_proxy.h"
#include "platform/com_runtime/test_contract/test_marshal.h"

namespace parlotto {
namespace {

VARIANT L(LONG value) { return VARIANT::I4(value); }

class TestServerProxy final : public DualProxy<ITestServer> {
 public:
  explicit TestServerProxy(RemoteObject* manager) : DualProxy(manager, IID_ITestServer) {}

  HRESULT Load(const VARIANT& key, ITestObject** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    std::vector<VARIANT> args{key, VARIANT()};
    HRESULT hr = CallMember("Load", args);
    if (FAILED(hr)) return hr;
    if (args[1].punkVal == nullptr) return S_OK;
    return args[1].punkVal->QueryInterface(IID_ITestObject, reinterpret_cast<void**>(object));
  }
  HRESULT Register(IUnknown* sink, LONG* sink_id) override {
    if (sink_id == nullptr) return E_POINTER;
    std::vector<VARIANT> args{VARIANT::Unknown(sink), VARIANT()};
    return TakeLong(CallMember("Register", args), args[1], sink_id);
  }
  HRESULT Unregister(LONG sink_id) override {
    std::vector<VARIANT> args{L(sink_id)};
    return CallMember("Unregister", args);
  }
};

class TestObjectProxy final : public DualProxy<ITestObject> {
 public:
  explicit TestObjectProxy(RemoteObject* manager) : DualProxy(manager, IID_ITestObject) {}

  HRESULT SetPosition(LONG left, LONG top) override {
    std::vector<VARIANT> args{L(left), L(top)};
    return CallMember("SetPosition", args);
  }
  HRESULT GetPosition(LONG* left, LONG* top) override { return GetTwo("GetPosition", left, top); }
  HRESULT GetServerState(LONG* process_id, LONG* live_objects) override {
    return GetTwo("GetServerState", process_id, live_objects);
  }
  HRESULT Speak(const BSTR& text, LONG* request_id) override {
    if (request_id == nullptr) return E_POINTER;
    std::vector<VARIANT> args{VARIANT::Bstr(text), VARIANT()};
    return TakeLong(CallMember("Speak", args), args[1], request_id);
  }

 private:
  HRESULT GetTwo(const char* member, LONG* first, LONG* second) {
    if (first == nullptr || second == nullptr) return E_POINTER;
    std::vector<VARIANT> args(2);
    HRESULT hr = CallMember(member, args);
    TakeLong(hr, args[0], first);
    return TakeLong(hr, args[1], second);
  }
};

class TestCounterProxy final : public DualProxy<ITestCounter> {
 public:
  explicit TestCounterProxy(RemoteObject* manager) : DualProxy(manager, IID_ITestCounter) {}

  HRESULT Next(LONG* value) override {
    if (value == nullptr) return E_POINTER;
    std::vector<VARIANT> args(1);
    return TakeLong(CallMember("Next", args), args[0], value);
  }
};

class TestEventsProxy final : public DualProxy<ITestEvents> {
 public:
  explicit TestEventsProxy(RemoteObject* manager) : DualProxy(manager, IID_ITestEvents) {}

  HRESULT Idle(LONG object_id, LONG start) override {
    std::vector<VARIANT> args{L(object_id), L(start)};
    return CallMember("Idle", args);
  }
};

}  // namespace

std::unique_ptr<InterfaceProxy> MakeTestServerProxy(RemoteObject* manager) {
  return std::make_unique<TestServerProxy>(manager);
}
std::unique_ptr<InterfaceProxy> MakeTestObjectProxy(RemoteObject* manager) {
  return std::make_unique<TestObjectProxy>(manager);
}
std::unique_ptr<InterfaceProxy> MakeTestCounterProxy(RemoteObject* manager) {
  return std::make_unique<TestCounterProxy>(manager);
}
std::unique_ptr<InterfaceProxy> MakeTestEventsProxy(RemoteObject* manager) {
  return std::make_unique<TestEventsProxy>(manager);
}

}  // namespace parlotto
