// What the tests' own server processes have in common besides the runtime's
// server lifetime (ServeClassObject, ServerLifetime): the description of an
// interface for their IDispatch, and the sinks their clients registered.
#pragma once

#include <functional>
#include <map>

#include "platform/com/com_object.h"
#include "platform/com_runtime/interface_table.h"

namespace parlotto::testing {

// The registered description of `iid`, for an object's IDispatch.
inline ITypeInfo* TypeInfoOf(REFIID iid) {
  const InterfaceInfo* info = parlotto::FindInterface(iid);
  return info ? info->type_info.Get() : nullptr;
}

template <typename Sink>
class SinkList {
 public:
  explicit SinkList(REFIID iid) : iid_(iid) {}

  HRESULT Register(IUnknown* sink, LONG* id) {
    ComPtr<Sink> typed;
    HRESULT hr = ComPtr<IUnknown>(sink).As(iid_, &typed);
    if (FAILED(hr)) return hr;
    *id = next_id_++;
    sinks_[*id] = typed;
    return S_OK;
  }
  HRESULT Unregister(LONG id) { return sinks_.erase(id) ? S_OK : E_INVALIDARG; }
  void Notify(const std::function<void(Sink*)>& send) {
    auto sinks = sinks_;  // a sink may unregister meanwhile
    for (auto& [id, sink] : sinks) send(sink.Get());
  }
  void Clear() { sinks_.clear(); }

 private:
  IID iid_;
  std::map<LONG, ComPtr<Sink>> sinks_;
  LONG next_id_ = 1;
};

}  // namespace parlotto::testing
