#include "platform/com_runtime/server_class_factory.h"

#include "platform/com_runtime/server_lifetime.h"

namespace parlotto {

HRESULT ServerClassFactory::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG ServerClassFactory::Release() {
  ULONG refs = --refs_;
  if (refs == 0) delete this;
  return refs;
}

HRESULT ServerClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ++locks_;
    ServerLifetime::ObjectCreated();
  } else if (locks_ > 0) {  // an unlock without a lock must not count an object gone
    --locks_;
    ServerLifetime::ObjectGone();
  }
  return S_OK;
}

}  // namespace parlotto
