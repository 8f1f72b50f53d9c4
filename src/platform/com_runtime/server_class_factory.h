// The class object a local server publishes: reference counting, and
// LockServer keeping the process alive as an object does (ServerLifetime).
// A server derives and creates its objects in CreateInstance; one that
// counts its life otherwise overrides LockServer.
#pragma once

#include <atomic>

#include "platform/com/unknown.h"

namespace parlotto {

class ServerClassFactory : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override;
  HRESULT LockServer(BOOL lock) override;

 protected:
  virtual ~ServerClassFactory() = default;

 private:
  std::atomic<ULONG> refs_{0};
  int locks_ = 0;
};

}  // namespace parlotto
