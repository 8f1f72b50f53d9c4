// The program's notification sink for the character server: it turns the
// character's menu commands, its idle state and the user's hiding it into
// window messages for the main window, and answers every other notification with success.
#pragma once

#include <atomic>

#include "contracts/agent/agent_interfaces.h"
#include "contracts/agent/ignored_notifications.h"
#include "platform/loop/window_messages.h"

namespace parlotto {

class AgentNotifySink final : public IgnoredNotifications<IAgentNotifySinkEx> {
 public:
  // The reference count starts at 0: the first AddRef is the creator's.
  AgentNotifySink() = default;

  // Ids that IAgentCommands::Add returned, and where the messages go.
  LONG info_command_id = 0;
  LONG end_command_id = 0;
  LONG settings_command_id = 0;
  HWND main_window = 0;

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid,
                        DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) override;

  HRESULT Command(LONG command_id, IUnknown* user_input) override;
  HRESULT Idle(LONG char_id, LONG start) override;
  HRESULT VisibleState(LONG char_id, LONG visible, LONG cause) override;

  HRESULT HelpComplete(LONG, LONG, LONG) override { return S_OK; }
  HRESULT ListeningState(LONG, LONG, LONG) override { return S_OK; }
  HRESULT DefaultCharacterChange(const BSTR&) override { return S_OK; }
  HRESULT AgentPropertyChange() override { return S_OK; }
  HRESULT ActiveClientChange(LONG, LONG) override { return S_OK; }

 private:
  ~AgentNotifySink() = default;
  HRESULT LoadTypeInfo();

  std::atomic<ULONG> refs_{0};
  ComPtr<ITypeInfo> type_info_;
};

}  // namespace parlotto
