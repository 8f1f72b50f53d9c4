#include "agentsvr/notify_sinks.h"

#include <string>
#include <utility>

#include "platform/com_runtime/remote_object.h"
#include "platform/places/diagnostics.h"

namespace parlotto::agent {
namespace {

HRESULT NotifyOneWay(RemoteObject* sink, DISPID member, const std::vector<VARIANT>& args) {
  const InterfaceInfo* info = parlotto::FindInterface(IID_IAgentNotifySink);
  if (info == nullptr) return E_UNEXPECTED;
  for (const FUNCDESC& func : info->funcs) {
    if (func.memid == member) return sink->CallOneWay(*info, func, args);
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace

HRESULT NotifySinks::Register(IUnknown* sink, LONG* sink_id) {
  if (sink_id == nullptr) return E_POINTER;
  *sink_id = 0;
  if (sink == nullptr) return E_INVALIDARG;
  Sink entry;
  HRESULT hr = sink->QueryInterface(IID_IAgentNotifySink, entry.sink.ReceiveVoid());
  if (FAILED(hr)) return hr;
  if (FAILED(sink->QueryInterface(IID_IRemoteObject, entry.remote.ReceiveVoid())))
    entry.remote.Reset();
  *sink_id = next_id_++;
  sinks_.emplace(*sink_id, std::move(entry));
  return S_OK;
}

HRESULT NotifySinks::Unregister(LONG sink_id) {
  auto it = sinks_.find(sink_id);
  if (it == sinks_.end()) return E_INVALIDARG;
  // Released after leaving the map: a local sink's destructor may call back.
  Sink gone = std::move(it->second);
  sinks_.erase(it);
  return S_OK;
}

void NotifySinks::Send(DISPID member, const std::vector<VARIANT>& args) {
  std::vector<std::pair<LONG, Sink>> snapshot(sinks_.begin(), sinks_.end());
  for (auto& [id, sink] : snapshot) {
    if (sinks_.find(id) == sinks_.end()) continue;  // unregistered by an earlier sink
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                      static_cast<UINT>(reversed.size()), 0};
    HRESULT hr;
    if (sink.remote) {
      // Through the sink's own interface: a client's sink need not offer
      // IDispatch (the program's answers IAgentNotifySink only).
      hr = NotifyOneWay(static_cast<RemoteObject*>(sink.remote.Get()), member, args);
    } else {
      hr = sink.sink->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                             nullptr, nullptr, nullptr);
    }
    if (hr == RPC_E_DISCONNECTED || hr == RPC_S_SERVER_UNAVAILABLE || hr == RPC_E_TIMEOUT) {
      ReportDiagnostic("character server: sink " + std::to_string(id) +
                       " dropped: " + DescribeHResult(hr));
      Unregister(id);
    }
  }
}

}  // namespace parlotto::agent
