// The one fake of a loaded character (IAgentCharacterEx) for the main
// window's tests: every member succeeds, a request gets the next id, and a
// test overrides only the members it watches.
#pragma once

#include "contracts/agent/agent_interfaces.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"

namespace parlotto::testing {

class FakeCharacter : public ComObject, public NoTypeInfo<IAgentCharacterEx> {
 public:
  explicit FakeCharacter(IUnknown* outer = nullptr) : ComObject(outer) {}

  PARLOTTO_DELEGATING_UNKNOWN

  HRESULT SetPosition(LONG, LONG) override { return S_OK; }
  HRESULT GetPosition(LONG*, LONG*) override { return S_OK; }
  HRESULT GetOriginalSize(LONG*, LONG*) override { return S_OK; }
  HRESULT GetVisible(LONG* visible) override {
    *visible = 1;
    return S_OK;
  }
  HRESULT Show(LONG, LONG* req) override { return NextRequest(req); }
  HRESULT Hide(LONG, LONG* req) override { return NextRequest(req); }
  HRESULT Play(const BSTR&, LONG* req) override { return NextRequest(req); }
  HRESULT Speak(const BSTR&, const BSTR&, LONG* req) override { return NextRequest(req); }
  HRESULT Stop(LONG) override { return S_OK; }
  HRESULT StopAll(LONG) override { return S_OK; }
  HRESULT SetLanguageID(LONG) override { return S_OK; }
  HRESULT SetTTSModeID(const BSTR&) override { return S_OK; }

  LONG requests() const { return requests_; }

 protected:
  HRESULT NextRequest(LONG* req) {
    *req = ++requests_;
    return S_OK;
  }
  void* FindInterface(REFIID iid) override {
    return iid == IID_IAgentCharacterEx ? static_cast<IAgentCharacterEx*>(this) : nullptr;
  }

 private:
  LONG requests_ = 0;
};

}  // namespace parlotto::testing
