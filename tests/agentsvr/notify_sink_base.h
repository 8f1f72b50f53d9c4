// What every test's notification sink has in common: it serves
// IAgentNotifySink directly and through IDispatch, and ignores all
// notifications that the derived sink does not override.
#pragma once

#include "contracts/agent/agent_marshal.h"
#include "contracts/agent/ignored_notifications.h"
#include "platform/com/com_object.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto::testing {

class NotifySinkBase : public ComObject,
                       public DispatchImpl<IgnoredNotifications<IAgentNotifySink>> {
 public:
  explicit NotifySinkBase(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(parlotto::FindInterface(IID_IAgentNotifySink)->type_info.Get(), &target_),
        target_(AgentNotifySinkStub, static_cast<IAgentNotifySink*>(this)) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT Command(LONG, IUnknown*) override { return S_OK; }
  HRESULT Idle(LONG, LONG) override { return S_OK; }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IAgentNotifySink || iid == IID_IDispatch)
      return static_cast<IAgentNotifySink*>(this);
    return nullptr;
  }

  StubInvokeTarget target_;
};

}  // namespace parlotto::testing
