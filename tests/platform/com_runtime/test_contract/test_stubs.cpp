// Stubs: calls that arrive for the test interfaces, made on the real
// objects. Arguments come converted to their declared types.
#include "platform/com_runtime/test_contract/test_marshal.h"

namespace parlotto {
namespace {

bool Is(const FUNCDESC& func, const char* name) { return func.name == QLatin1String(name); }

// Whether args has the member's declared count, which the runtime ensures;
// checked again so that a wrong description cannot index past the end.
bool Has(const std::vector<VARIANT>& args, size_t count) { return args.size() >= count; }

// Runs `call` with one [out] long and stores it in args[index].
template <typename Call>
HRESULT OutLong(std::vector<VARIANT>& args, size_t index, Call call) {
  LONG value = 0;
  HRESULT hr = call(&value);
  if (SUCCEEDED(hr)) args[index] = VARIANT::I4(value);
  return hr;
}

template <typename Call>
HRESULT OutTwoLongs(std::vector<VARIANT>& args, Call call) {
  LONG first = 0;
  LONG second = 0;
  HRESULT hr = call(&first, &second);
  if (SUCCEEDED(hr)) {
    args[0] = VARIANT::I4(first);
    args[1] = VARIANT::I4(second);
  }
  return hr;
}

}  // namespace

HRESULT TestServerStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* server = static_cast<ITestServer*>(object);
  if (Is(func, "Load") && Has(a, 2)) {
    ITestObject* loaded = nullptr;
    HRESULT hr = server->Load(a[0], &loaded);
    a[1].Clear();
    a[1].vt = VT_UNKNOWN;
    a[1].punkVal = loaded;  // takes over the reference
    return hr;
  }
  if (Is(func, "Register") && Has(a, 2)) {
    return OutLong(a, 1, [&](LONG* id) { return server->Register(a[0].punkVal, id); });
  }
  if (Is(func, "Unregister") && Has(a, 1)) return server->Unregister(a[0].lVal);
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT TestObjectStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* o = static_cast<ITestObject*>(object);
  if (Is(func, "SetPosition") && Has(a, 2)) return o->SetPosition(a[0].lVal, a[1].lVal);
  if (Is(func, "GetPosition") && Has(a, 2)) {
    return OutTwoLongs(a, [&](LONG* x, LONG* y) { return o->GetPosition(x, y); });
  }
  if (Is(func, "GetServerState") && Has(a, 2)) {
    return OutTwoLongs(a, [&](LONG* pid, LONG* live) { return o->GetServerState(pid, live); });
  }
  if (Is(func, "Speak") && Has(a, 2)) {
    return OutLong(a, 1, [&](LONG* id) { return o->Speak(a[0].bstrVal, id); });
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT TestCounterStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* counter = static_cast<ITestCounter*>(object);
  if (Is(func, "Next") && Has(a, 1)) {
    return OutLong(a, 0, [&](LONG* value) { return counter->Next(value); });
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT TestEventsStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* events = static_cast<ITestEvents*>(object);
  if (Is(func, "Idle") && Has(a, 2)) return events->Idle(a[0].lVal, a[1].lVal);
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace parlotto
