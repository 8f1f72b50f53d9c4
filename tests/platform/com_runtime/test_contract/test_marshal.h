// Proxies and stubs of the test interfaces.
#pragma once

#include <memory>
#include <vector>

#include "platform/com_runtime/interface_table.h"
#include "platform/com_runtime/test_contract/test_interfaces.h"

namespace parlotto {

std::unique_ptr<InterfaceProxy> MakeTestServerProxy(RemoteObject* manager);
std::unique_ptr<InterfaceProxy> MakeTestObjectProxy(RemoteObject* manager);
std::unique_ptr<InterfaceProxy> MakeTestCounterProxy(RemoteObject* manager);
std::unique_ptr<InterfaceProxy> MakeTestEventsProxy(RemoteObject* manager);

HRESULT TestServerStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
HRESULT TestObjectStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
HRESULT TestCounterStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
HRESULT TestEventsStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);

}  // namespace parlotto
