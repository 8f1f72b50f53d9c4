// The server object a client creates: IAgentEx. It loads characters for its
// client and keeps the client's notification sinks; its characters notify
// those sinks only.
#pragma once

#include <map>
#include <memory>

#include "agentsvr/notify_sinks.h"
#include "contracts/agent/agent_interfaces.h"
#include "platform/com/com_object.h"
#include "platform/com_runtime/interface_table.h"
#include "platform/com_runtime/server_class_factory.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto::agent {

class CharacterObject;

class ServerObject final : public ComObject, public DispatchImpl<IAgentEx> {
 public:
  explicit ServerObject(IUnknown* outer);
  ~ServerObject() override;

  PARLOTTO_DELEGATING_UNKNOWN

  // `load_key`: a path (BSTR), or empty (or missing, or an empty string)
  // for the default character. A missing, damaged or foreign file fails
  // with error info that says why.
  HRESULT Load(const VARIANT& load_key, LONG* char_id, LONG* req_id) override;
  HRESULT Unload(LONG char_id) override;
  HRESULT Register(IUnknown* sink, LONG* sink_id) override;
  HRESULT Unregister(LONG sink_id) override;
  HRESULT GetCharacterEx(LONG char_id, IAgentCharacterEx** character) override;

 private:
  void* FindInterface(REFIID iid) override;

  StubInvokeTarget target_;
  std::shared_ptr<NotifySinks> sinks_ = std::make_shared<NotifySinks>();
  std::map<LONG, ComPtr<IAgentCharacterEx>> characters_;
};

// The class object that the server publishes.
class AgentClassFactory final : public ServerClassFactory {
 public:
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
};

}  // namespace parlotto::agent
