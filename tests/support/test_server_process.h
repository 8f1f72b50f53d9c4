// What the tests' own server processes have in common: they count their
// live objects and end a short while after the last one is gone (or after a
// while when no client came at all, as a started server does), and they keep
// the sinks their clients registered.
#pragma once

#include <QCoreApplication>
#include <QTimer>
#include <functional>
#include <map>

#include "platform/com/com_object.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/interface_table.h"
#include "platform/loop/clock.h"

namespace parlotto::testing {

inline int& LiveObjects() {
  static int count = 0;
  return count;
}

inline void ObjectMade() { ++LiveObjects(); }

inline void ObjectGone() {
  if (--LiveObjects() > 0) return;
  // A new client may still come during the grace period.
  QTimer::singleShot(300, [] {
    if (LiveObjects() == 0) QCoreApplication::quit();
  });
}

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

// Offers `factory` for `clsid` and runs the loop until the process ends;
// false when the class could not be offered.
inline bool ServeClass(REFCLSID clsid, IClassFactory* factory) {
  DWORD cookie = 0;
  if (FAILED(CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                   &cookie))) {
    return false;
  }
  QTimer::singleShot(ScaledMs(20000), [] {
    if (LiveObjects() == 0) QCoreApplication::quit();
  });
  QCoreApplication::exec();
  CoRevokeClassObject(cookie);
  return true;
}

}  // namespace parlotto::testing
