// The interfaces whose calls this process can carry to and from other
// processes: each with its type description, a stub that calls an object's
// implementation and a proxy that stands in for a remote object.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "platform/com/typeinfo.h"
#include "platform/com/unknown.h"

namespace parlotto {

class RemoteObject;

// One interface of a remote object, as the client sees it.
class InterfaceProxy {
 public:
  virtual ~InterfaceProxy() = default;
  // The proxy as the interface pointer that QueryInterface hands out.
  virtual void* Interface() = 0;
};

// Calls the member `func` of `object` (a pointer to the interface) with
// `args` in declared order; fills [out] entries.
using StubFunction = HRESULT (*)(void* object, const FUNCDESC& func, std::vector<VARIANT>& args);
using ProxyFactory = std::unique_ptr<InterfaceProxy> (*)(RemoteObject* manager);

struct InterfaceInfo {
  IID iid;
  QString name;      // "IAgentEx"
  QString bus_name;  // "AgentServerObjects.IAgentEx"
  ComPtr<ITypeInfo> type_info;
  // Every member but those of IUnknown and IDispatch, inherited ones first.
  std::vector<FUNCDESC> funcs;
  StubFunction stub = nullptr;
  ProxyFactory proxy = nullptr;
};

// Lets a description-driven Invoke call an object through its stub.
class StubInvokeTarget final : public IInvokeTarget {
 public:
  StubInvokeTarget(StubFunction stub, void* object) : stub_(stub), object_(object) {}
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override {
    return stub_(object_, func, args);
  }

 private:
  StubFunction stub_;
  void* object_;
};

// Makes the interface that `type_info` describes known to the runtime.
HRESULT RegisterInterface(ITypeInfo* type_info, StubFunction stub, ProxyFactory proxy);

// Registers every interface of `library` that has an entry in `stubs`.
struct InterfaceBinding {
  IID iid;
  StubFunction stub;
  ProxyFactory proxy;
};
HRESULT RegisterInterfaces(ITypeLib* library, const std::vector<InterfaceBinding>& bindings);

const InterfaceInfo* FindInterface(REFIID iid);
const InterfaceInfo* FindInterfaceByBusName(const QString& bus_name);
// Every registered interface, for introspection.
std::vector<const InterfaceInfo*> RegisteredInterfaces();

// The bus member name of a member: the name for methods, "get_Name",
// "put_Name" and "putref_Name" for properties.
QString BusMemberName(const FUNCDESC& func);
const FUNCDESC* FindMember(const InterfaceInfo& info, const QString& bus_member);

}  // namespace parlotto
