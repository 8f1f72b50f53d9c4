#include "platform/com_runtime/connection_point.h"

#include "platform/com_runtime/remote_object.h"
#include "platform/places/diagnostics.h"

namespace parlotto {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, const IID& iid)
    : container_(container), iid_(iid) {}

ConnectionPoint::~ConnectionPoint() = default;

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

ULONG ConnectionPoint::AddRef() { return container_->AddRef(); }

ULONG ConnectionPoint::Release() { return container_->Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  container_->AddRef();
  *container = container_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (cookie == nullptr) return E_POINTER;
  *cookie = 0;
  if (sink == nullptr) return E_POINTER;
  ComPtr<IDispatch> dispatch;
  if (FAILED(sink->QueryInterface(iid_, dispatch.ReceiveVoid())) || !dispatch) {
    if (FAILED(sink->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid())) || !dispatch) {
      return CONNECT_E_CANNOTCONNECT;
    }
  }
  if (next_cookie_ == 0) return CONNECT_E_ADVISELIMIT;  // 2^32 advises: cookies ran out
  ComPtr<IUnknown> remote;
  if (FAILED(sink->QueryInterface(IID_IRemoteObject, remote.ReceiveVoid()))) remote.Reset();
  *cookie = next_cookie_++;
  sinks_.emplace(*cookie, Sink{std::move(dispatch), std::move(remote)});
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  auto it = sinks_.find(cookie);
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  // Released after leaving the map, so that a sink's destructor may come
  // back into this point.
  Sink sink = std::move(it->second);
  sinks_.erase(it);
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections != nullptr) *connections = nullptr;
  return E_NOTIMPL;
}

int ConnectionPoint::Fire(DISPID member, const std::vector<VARIANT>& args) {
  // A handler may unadvise itself or others, or advise new sinks; those
  // advised during the call are not called this time.
  std::vector<std::pair<DWORD, Sink>> snapshot(sinks_.begin(), sinks_.end());
  int called = 0;
  for (auto& [cookie, sink] : snapshot) {
    if (sinks_.find(cookie) == sinks_.end()) continue;  // unadvised by an earlier handler
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    HRESULT hr;
    if (sink.remote) {
      hr = static_cast<RemoteObject*>(sink.remote.Get())
               ->InvokeOneWay(member, DISPATCH_METHOD, params);
    } else {
      hr = sink.dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                 nullptr, nullptr, nullptr);
    }
    ++called;
    if (hr == RPC_E_DISCONNECTED || hr == RPC_S_SERVER_UNAVAILABLE || hr == RPC_E_TIMEOUT) {
      // Its process is gone or stopped answering: nobody will take events
      // there again.
      Unadvise(cookie);
      ReportDiagnostic("sink " + std::to_string(cookie) + " dropped: " + DescribeHResult(hr));
    } else if (FAILED(hr) && hr != DISP_E_MEMBERNOTFOUND) {
      ReportDiagnostic("event " + std::to_string(member) + " to sink " + std::to_string(cookie) +
                       " failed: " + DescribeHResult(hr));
    }
  }
  return called;
}

void ConnectionPoint::UnadviseAll() {
  std::map<DWORD, Sink> sinks;
  sinks.swap(sinks_);
}

HRESULT FindConnectionPointIn(const std::vector<ConnectionPoint*>& points, REFIID iid,
                              IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  for (ConnectionPoint* candidate : points) {
    IID candidate_iid;
    candidate->GetConnectionInterface(&candidate_iid);
    if (candidate_iid == iid) {
      candidate->AddRef();
      *point = candidate;
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

}  // namespace parlotto
