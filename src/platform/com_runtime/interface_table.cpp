#include "platform/com_runtime/interface_table.h"

#include <mutex>
#include <unordered_map>

namespace parlotto {
namespace {

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<IID, std::unique_ptr<InterfaceInfo>>& Table() {
  static std::unordered_map<IID, std::unique_ptr<InterfaceInfo>> table;
  return table;
}

bool IsBaseMember(const FUNCDESC& func) {
  static const char* const kBase[] = {
      "QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
      "GetTypeInfo",    "GetIDsOfNames", "Invoke"};
  for (const char* name : kBase) {
    if (func.name == QLatin1String(name)) return true;
  }
  return false;
}

}  // namespace

HRESULT RegisterInterface(ITypeInfo* type_info, StubFunction stub, ProxyFactory proxy) {
  if (type_info == nullptr) return E_POINTER;
  auto info = std::make_unique<InterfaceInfo>();
  TYPEATTR attr;
  HRESULT hr = type_info->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  info->iid = attr.guid;
  BSTR doc;
  hr = type_info->GetDocumentation(MEMBERID_NIL, &info->name, &doc);
  if (FAILED(hr)) return hr;
  ComPtr<ITypeLib> library;
  UINT index = 0;
  hr = type_info->GetContainingTypeLib(library.Receive(), &index);
  if (FAILED(hr)) return hr;
  BSTR library_name;
  hr = library->GetDocumentation(-1, &library_name, &doc);
  if (FAILED(hr)) return hr;
  info->bus_name = library_name + QLatin1Char('.') + info->name;
  std::vector<FUNCDESC> funcs;
  hr = type_info->GetAllFuncs(&funcs);
  if (FAILED(hr)) return hr;
  for (FUNCDESC& func : funcs) {
    if (!IsBaseMember(func)) info->funcs.push_back(std::move(func));
  }
  info->type_info = ComPtr<ITypeInfo>(type_info);
  info->stub = stub;
  info->proxy = proxy;

  std::lock_guard<std::mutex> lock(TableMutex());
  // The first registration stays: callers may hold on to its entry.
  Table().emplace(info->iid, std::move(info));
  return S_OK;
}

HRESULT RegisterInterfaces(ITypeLib* library, const std::vector<InterfaceBinding>& bindings) {
  if (library == nullptr) return E_POINTER;
  for (const InterfaceBinding& binding : bindings) {
    ComPtr<ITypeInfo> info;
    HRESULT hr = library->GetTypeInfoOfGuid(binding.iid, info.Receive());
    if (FAILED(hr)) return hr;
    hr = RegisterInterface(info.Get(), binding.stub, binding.proxy);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

const InterfaceInfo* FindInterface(REFIID iid) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto it = Table().find(iid);
  return it == Table().end() ? nullptr : it->second.get();
}

const InterfaceInfo* FindInterfaceByBusName(const QString& bus_name) {
  std::lock_guard<std::mutex> lock(TableMutex());
  for (const auto& [iid, info] : Table()) {
    if (info->bus_name == bus_name) return info.get();
  }
  return nullptr;
}

std::vector<const InterfaceInfo*> RegisteredInterfaces() {
  std::lock_guard<std::mutex> lock(TableMutex());
  std::vector<const InterfaceInfo*> all;
  for (const auto& [iid, info] : Table()) all.push_back(info.get());
  return all;
}

QString BusMemberName(const FUNCDESC& func) {
  switch (func.invkind) {
    case INVOKE_PROPERTYGET:
      return QStringLiteral("get_") + func.name;
    case INVOKE_PROPERTYPUT:
      return QStringLiteral("put_") + func.name;
    case INVOKE_PROPERTYPUTREF:
      return QStringLiteral("putref_") + func.name;
    case INVOKE_FUNC:
      break;
  }
  return func.name;
}

const FUNCDESC* FindMember(const InterfaceInfo& info, const QString& bus_member) {
  for (const FUNCDESC& func : info.funcs) {
    if (BusMemberName(func) == bus_member) return &func;
  }
  return nullptr;
}

}  // namespace parlotto
