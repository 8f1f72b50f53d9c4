// What every test's event sink has in common: it serves ITestEvents directly
// and through IDispatch, and ignores the events that the derived sink does
// not override.
#pragma once

#include "platform/com/com_object.h"
#include "platform/com_runtime/test_contract/test_marshal.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto::testing {

class EventsSinkBase : public ComObject, public DispatchImpl<ITestEvents> {
 public:
  explicit EventsSinkBase(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(parlotto::FindInterface(IID_ITestEvents)->type_info.Get(), &target_),
        target_(TestEventsStub, static_cast<ITestEvents*>(this)) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Idle(LONG, LONG) override { return S_OK; }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_ITestEvents || iid == IID_IDispatch) return static_cast<ITestEvents*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
};

}  // namespace parlotto::testing
