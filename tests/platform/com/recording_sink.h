// A notification sink for tests that records what arrives.
#pragma once

#include <string>
#include <vector>

#include "contracts/agent/agent_marshal.h"
#include "contracts/agent/ignored_notifications.h"
#include "platform/com/com_object.h"
#include "platform/com/typelib/type_info_dispatch.h"

namespace parlotto::testing {

class RecordingSink final : public ComObject,
                            public DispatchImpl<IgnoredNotifications<IAgentNotifySink>> {
 public:
  explicit RecordingSink(IUnknown* outer)
      : ComObject(outer),
        DispatchImpl(parlotto::FindInterface(IID_IAgentNotifySink)->type_info.Get(), &target_),
        target_(AgentNotifySinkStub, static_cast<IAgentNotifySink*>(this)) {}

  PARLOTTO_DELEGATING_UNKNOWN

  std::vector<std::string> events;

  HRESULT Command(LONG id, IUnknown*) override { return Add("Command " + std::to_string(id)); }
  HRESULT Idle(LONG char_id, LONG start) override {
    return Add("Idle " + std::to_string(char_id) + " " + std::to_string(start));
  }

 private:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IAgentNotifySink || iid == IID_IDispatch)
      return static_cast<IAgentNotifySink*>(this);
    return nullptr;
  }
  HRESULT Add(std::string event) {
    events.push_back(std::move(event));
    return S_OK;
  }

  StubInvokeTarget target_;
};

}  // namespace parlotto::testing
