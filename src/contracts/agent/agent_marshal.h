// Proxies and stubs of the character server's interfaces.
#pragma once

#include <memory>
#include <vector>

#include "contracts/agent/agent_interfaces.h"
#include "platform/com_runtime/interface_table.h"

namespace parlotto {

std::unique_ptr<InterfaceProxy> MakeAgentExProxy(RemoteObject* manager);
std::unique_ptr<InterfaceProxy> MakeAgentCharacterExProxy(RemoteObject* manager);
std::unique_ptr<InterfaceProxy> MakeAgentCommandsProxy(RemoteObject* manager);
std::unique_ptr<InterfaceProxy> MakeAgentNotifySinkProxy(RemoteObject* manager);
std::unique_ptr<InterfaceProxy> MakeAgentNotifySinkExProxy(RemoteObject* manager);

HRESULT AgentExStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
HRESULT AgentCharacterExStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
HRESULT AgentCommandsStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
HRESULT AgentNotifySinkStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
HRESULT AgentNotifySinkExStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);

}  // namespace parlotto
