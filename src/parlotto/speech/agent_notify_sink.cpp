#include "parlotto/speech/agent_notify_sink.h"

#include "contracts/agent/agent_marshal.h"
#include "parlotto/app_messages.h"

namespace parlotto {

HRESULT AgentNotifySink::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  // Only the base sink interface: the server then sends only what it knows
  // every client takes.
  if (iid == IID_IUnknown || iid == IID_IAgentNotifySink) {
    *object = static_cast<IAgentNotifySink*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG AgentNotifySink::AddRef() { return ++refs_; }

ULONG AgentNotifySink::Release() {
  ULONG refs = --refs_;
  if (refs == 0) delete this;
  return refs;
}

HRESULT AgentNotifySink::LoadTypeInfo() {
  if (type_info_) return S_OK;
  ComPtr<ITypeLib> library;
  // The registered library first, as installed with the server; else the
  // copy built into the program.
  HRESULT hr = LoadRegTypeLib(LIBID_AgentServerObjects, 1, 0, LOCALE_NEUTRAL, library.Receive());
  if (FAILED(hr)) hr = LoadAgentTypeLib(library.Receive());
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(IID_IAgentNotifySink, type_info_.Receive());
}

HRESULT AgentNotifySink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 1;
  return S_OK;
}

HRESULT AgentNotifySink::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  HRESULT hr = LoadTypeInfo();
  if (FAILED(hr)) return hr;
  *info = type_info_.Get();
  (*info)->AddRef();
  return S_OK;
}

HRESULT AgentNotifySink::GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID,
                                       DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  HRESULT hr = LoadTypeInfo();
  if (FAILED(hr)) return hr;
  return type_info_->GetIDsOfNames(names, count, ids);
}

HRESULT AgentNotifySink::Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  HRESULT hr = LoadTypeInfo();
  if (FAILED(hr)) return hr;
  StubInvokeTarget target(AgentNotifySinkStub, static_cast<IAgentNotifySink*>(this));
  return type_info_->Invoke(&target, member, flags, params, result, excep_info, arg_err);
}

HRESULT AgentNotifySink::Command(LONG command_id, IUnknown*) {
  if (command_id == info_command_id) {
    PostMessage(main_window, UM_SHOW_INFO, 0, 0);
  } else if (command_id == end_command_id) {
    PostMessage(main_window, UM_QUIT, 0, 0);
  } else if (command_id == settings_command_id) {
    PostMessage(main_window, UM_OPEN_SETTINGS, 0, 0);
  }
  return S_OK;
}

HRESULT AgentNotifySink::VisibleState(LONG, LONG visible, LONG cause) {
  // Hidden from its own menu, the character says nothing more of this
  // reading: what follows is not heard.
  if (visible == 0 && cause == kVisibilityCauseUserHid) {
    PostMessage(main_window, UM_CHARACTER_HIDDEN, 0, 0);
  }
  return S_OK;
}

HRESULT AgentNotifySink::Idle(LONG, LONG start) {
  PostMessage(main_window, start != 0 ? UM_CHARACTER_IDLE : UM_CHARACTER_BUSY, 0, 0);
  return S_OK;
}

}  // namespace parlotto
