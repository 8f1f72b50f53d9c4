// The interfaces of the character server: the server object, a loaded
// character, its command menu and the notification sink that a client
// registers. All are dual interfaces described by the Agent type library.
#pragma once

#include "platform/com/idispatch.h"
#include "platform/com/typeinfo.h"

namespace parlotto {

inline constexpr CLSID CLSID_AgentServer = MakeGuid("{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F}");
inline constexpr IID LIBID_AgentServerObjects = MakeGuid("{A7B93C73-7B81-11D0-AC5F-00C04FD97575}");
inline constexpr IID IID_IAgentEx = MakeGuid("{48D12BA0-5B77-11D1-9EC1-00C04FD7081F}");
inline constexpr IID IID_IAgentCharacterEx = MakeGuid("{98BBE491-2EED-11D1-ACAC-00C04FD97575}");
inline constexpr IID IID_IAgentCommands = MakeGuid("{A7B93C85-7B81-11D0-AC5F-00C04FD97575}");
inline constexpr IID IID_IAgentNotifySink = MakeGuid("{00D18159-8466-11D0-AC63-00C04FD97575}");
inline constexpr IID IID_IAgentNotifySinkEx = MakeGuid("{08C75162-3C9C-11D1-91FE-00C04FD701A5}");

// StopAll's types: every kind of request (playing, moving, speaking,
// showing and hiding).
inline constexpr LONG kAllRequestTypes = -1;

// The context in which the program creates the server: in-process, local or
// remote, whichever is registered.
inline constexpr DWORD kAgentServerContext = 0x15;

class IAgentCharacterEx;

class IAgentEx : public IDispatch {
 public:
  // `load_key`: a character file path (BSTR) or empty for the default one.
  virtual HRESULT Load(const VARIANT& load_key, LONG* char_id, LONG* req_id) = 0;
  virtual HRESULT Unload(LONG char_id) = 0;
  virtual HRESULT Register(IUnknown* sink, LONG* sink_id) = 0;
  virtual HRESULT Unregister(LONG sink_id) = 0;
  virtual HRESULT GetCharacterEx(LONG char_id, IAgentCharacterEx** character) = 0;

 protected:
  ~IAgentEx() = default;
};

class IAgentCharacterEx : public IDispatch {
 public:
  virtual HRESULT SetPosition(LONG left, LONG top) = 0;
  virtual HRESULT GetPosition(LONG* left, LONG* top) = 0;
  virtual HRESULT GetOriginalSize(LONG* width, LONG* height) = 0;
  virtual HRESULT GetVisible(LONG* visible) = 0;
  virtual HRESULT Show(LONG fast, LONG* req_id) = 0;
  virtual HRESULT Hide(LONG fast, LONG* req_id) = 0;
  virtual HRESULT Play(const BSTR& animation, LONG* req_id) = 0;
  virtual HRESULT Speak(const BSTR& text, const BSTR& url, LONG* req_id) = 0;
  virtual HRESULT Stop(LONG req_id) = 0;
  virtual HRESULT StopAll(LONG types) = 0;
  virtual HRESULT SetLanguageID(LONG language_id) = 0;
  virtual HRESULT SetTTSModeID(const BSTR& mode_id) = 0;

 protected:
  ~IAgentCharacterEx() = default;
};

class IAgentCommands : public IDispatch {
 public:
  virtual HRESULT Add(const BSTR& caption, const BSTR& voice, LONG enabled, LONG visible,
                      LONG* command_id) = 0;

 protected:
  ~IAgentCommands() = default;
};

// VisibleState's cause when the user hid the character from its menu.
inline constexpr LONG kVisibilityCauseUserHid = 1;

class IAgentNotifySink : public IDispatch {
 public:
  virtual HRESULT Command(LONG command_id, IUnknown* user_input) = 0;
  virtual HRESULT ActivateInputState(LONG char_id, LONG activated) = 0;
  virtual HRESULT Restart() = 0;
  virtual HRESULT Shutdown() = 0;
  virtual HRESULT VisibleState(LONG char_id, LONG visible, LONG cause) = 0;
  virtual HRESULT Click(LONG char_id, SHORT keys, LONG x, LONG y) = 0;
  virtual HRESULT DblClick(LONG char_id, SHORT keys, LONG x, LONG y) = 0;
  virtual HRESULT DragStart(LONG char_id, SHORT keys, LONG x, LONG y) = 0;
  virtual HRESULT DragComplete(LONG char_id, SHORT keys, LONG x, LONG y) = 0;
  virtual HRESULT RequestStart(LONG req_id) = 0;
  virtual HRESULT RequestComplete(LONG req_id, LONG status) = 0;
  virtual HRESULT BookMark(LONG bookmark_id) = 0;
  virtual HRESULT Idle(LONG char_id, LONG start) = 0;
  virtual HRESULT Move(LONG char_id, LONG x, LONG y, LONG cause) = 0;
  virtual HRESULT Size(LONG char_id, LONG width, LONG height) = 0;
  virtual HRESULT BalloonVisibleState(LONG char_id, LONG visible) = 0;

 protected:
  ~IAgentNotifySink() = default;
};

class IAgentNotifySinkEx : public IAgentNotifySink {
 public:
  virtual HRESULT HelpComplete(LONG char_id, LONG command_id, LONG cause) = 0;
  virtual HRESULT ListeningState(LONG char_id, LONG listening, LONG cause) = 0;
  virtual HRESULT DefaultCharacterChange(const BSTR& guid) = 0;
  virtual HRESULT AgentPropertyChange() = 0;
  virtual HRESULT ActiveClientChange(LONG char_id, LONG status) = 0;

 protected:
  ~IAgentNotifySinkEx() = default;
};

// The Agent type library, embedded in every program that uses these
// interfaces.
HRESULT LoadAgentTypeLib(ITypeLib** library);

// Makes the interfaces above known to the runtime, so that calls on them can
// cross between processes. Call once on the main thread before use.
HRESULT RegisterAgentInterfaces();

}  // namespace parlotto
