// Proxies: the character server's interfaces as a client process sees them.
#include "contracts/agent/agent_marshal.h"
#include "platform/com_runtime/dual_proxy.h"

namespace parlotto {
namespace {

VARIANT L(LONG value) { return VARIANT::I4(value); }
VARIANT S(const BSTR& value) { return VARIANT::Bstr(value); }

class AgentExProxy final : public DualProxy<IAgentEx> {
 public:
  explicit AgentExProxy(RemoteObject* manager) : DualProxy(manager, IID_IAgentEx) {}

  HRESULT Load(const VARIANT& load_key, LONG* char_id, LONG* req_id) override {
    if (char_id == nullptr || req_id == nullptr) return E_POINTER;
    std::vector<VARIANT> args{load_key, VARIANT(), VARIANT()};
    HRESULT hr = CallMember("Load", args);
    TakeLong(hr, args[1], char_id);
    return TakeLong(hr, args[2], req_id);
  }
  HRESULT Unload(LONG char_id) override {
    std::vector<VARIANT> args{L(char_id)};
    return CallMember("Unload", args);
  }
  HRESULT Register(IUnknown* sink, LONG* sink_id) override {
    if (sink_id == nullptr) return E_POINTER;
    std::vector<VARIANT> args{VARIANT::Unknown(sink), VARIANT()};
    return TakeLong(CallMember("Register", args), args[1], sink_id);
  }
  HRESULT Unregister(LONG sink_id) override {
    std::vector<VARIANT> args{L(sink_id)};
    return CallMember("Unregister", args);
  }
  HRESULT GetCharacterEx(LONG char_id, IAgentCharacterEx** character) override {
    if (character == nullptr) return E_POINTER;
    *character = nullptr;
    std::vector<VARIANT> args{L(char_id), VARIANT()};
    HRESULT hr = CallMember("GetCharacterEx", args);
    if (FAILED(hr)) return hr;
    if (args[1].punkVal == nullptr) return S_OK;
    return args[1].punkVal->QueryInterface(IID_IAgentCharacterEx,
                                           reinterpret_cast<void**>(character));
  }
};

class AgentCharacterExProxy final : public DualProxy<IAgentCharacterEx> {
 public:
  explicit AgentCharacterExProxy(RemoteObject* manager)
      : DualProxy(manager, IID_IAgentCharacterEx) {}

  HRESULT SetPosition(LONG left, LONG top) override {
    return Call("SetPosition", {L(left), L(top)});
  }
  HRESULT GetPosition(LONG* left, LONG* top) override { return GetTwo("GetPosition", left, top); }
  HRESULT GetOriginalSize(LONG* width, LONG* height) override {
    return GetTwo("GetOriginalSize", width, height);
  }
  HRESULT GetVisible(LONG* visible) override { return GetOne("GetVisible", {}, visible); }
  HRESULT Show(LONG fast, LONG* req_id) override { return GetOne("Show", {L(fast)}, req_id); }
  HRESULT Hide(LONG fast, LONG* req_id) override { return GetOne("Hide", {L(fast)}, req_id); }
  HRESULT Play(const BSTR& animation, LONG* req_id) override {
    return GetOne("Play", {S(animation)}, req_id);
  }
  HRESULT Speak(const BSTR& text, const BSTR& url, LONG* req_id) override {
    return GetOne("Speak", {S(text), S(url)}, req_id);
  }
  HRESULT Stop(LONG req_id) override { return Call("Stop", {L(req_id)}); }
  HRESULT StopAll(LONG types) override { return Call("StopAll", {L(types)}); }
  HRESULT SetLanguageID(LONG language_id) override {
    return Call("SetLanguageID", {L(language_id)});
  }
  HRESULT SetTTSModeID(const BSTR& mode_id) override { return Call("SetTTSModeID", {S(mode_id)}); }

 private:
  HRESULT Call(const char* member, std::vector<VARIANT> args) { return CallMember(member, args); }
  // A member whose inputs are followed by one [out] long.
  HRESULT GetOne(const char* member, std::vector<VARIANT> args, LONG* out) {
    if (out == nullptr) return E_POINTER;
    args.emplace_back();
    HRESULT hr = CallMember(member, args);
    return TakeLong(hr, args.back(), out);
  }
  HRESULT GetTwo(const char* member, LONG* first, LONG* second) {
    if (first == nullptr || second == nullptr) return E_POINTER;
    std::vector<VARIANT> args(2);
    HRESULT hr = CallMember(member, args);
    TakeLong(hr, args[0], first);
    return TakeLong(hr, args[1], second);
  }
};

class AgentCommandsProxy final : public DualProxy<IAgentCommands> {
 public:
  explicit AgentCommandsProxy(RemoteObject* manager) : DualProxy(manager, IID_IAgentCommands) {}

  HRESULT Add(const BSTR& caption, const BSTR& voice, LONG enabled, LONG visible,
              LONG* command_id) override {
    if (command_id == nullptr) return E_POINTER;
    std::vector<VARIANT> args{S(caption), S(voice), L(enabled), L(visible), VARIANT()};
    return TakeLong(CallMember("Add", args), args[4], command_id);
  }
};

// One proxy serves both sink interfaces: the extended one only adds members.
class AgentNotifySinkProxy final : public DualProxy<IAgentNotifySinkEx> {
 public:
  AgentNotifySinkProxy(RemoteObject* manager, REFIID iid) : DualProxy(manager, iid) {}

  HRESULT Command(LONG command_id, IUnknown* user_input) override {
    return Call("Command", {L(command_id), VARIANT::Unknown(user_input)});
  }
  HRESULT ActivateInputState(LONG char_id, LONG activated) override {
    return Call("ActivateInputState", {L(char_id), L(activated)});
  }
  HRESULT Restart() override { return Call("Restart", {}); }
  HRESULT Shutdown() override { return Call("Shutdown", {}); }
  HRESULT VisibleState(LONG char_id, LONG visible, LONG cause) override {
    return Call("VisibleState", {L(char_id), L(visible), L(cause)});
  }
  HRESULT Click(LONG char_id, SHORT keys, LONG x, LONG y) override {
    return Call("Click", {L(char_id), VARIANT::I2(keys), L(x), L(y)});
  }
  HRESULT DblClick(LONG char_id, SHORT keys, LONG x, LONG y) override {
    return Call("DblClick", {L(char_id), VARIANT::I2(keys), L(x), L(y)});
  }
  HRESULT DragStart(LONG char_id, SHORT keys, LONG x, LONG y) override {
    return Call("DragStart", {L(char_id), VARIANT::I2(keys), L(x), L(y)});
  }
  HRESULT DragComplete(LONG char_id, SHORT keys, LONG x, LONG y) override {
    return Call("DragComplete", {L(char_id), VARIANT::I2(keys), L(x), L(y)});
  }
  HRESULT RequestStart(LONG req_id) override { return Call("RequestStart", {L(req_id)}); }
  HRESULT RequestComplete(LONG req_id, LONG status) override {
    return Call("RequestComplete", {L(req_id), L(status)});
  }
  HRESULT BookMark(LONG bookmark_id) override { return Call("BookMark", {L(bookmark_id)}); }
  HRESULT Idle(LONG char_id, LONG start) override { return Call("Idle", {L(char_id), L(start)}); }
  HRESULT Move(LONG char_id, LONG x, LONG y, LONG cause) override {
    return Call("Move", {L(char_id), L(x), L(y), L(cause)});
  }
  HRESULT Size(LONG char_id, LONG width, LONG height) override {
    return Call("Size", {L(char_id), L(width), L(height)});
  }
  HRESULT BalloonVisibleState(LONG char_id, LONG visible) override {
    return Call("BalloonVisibleState", {L(char_id), L(visible)});
  }
  HRESULT HelpComplete(LONG char_id, LONG command_id, LONG cause) override {
    return Call("HelpComplete", {L(char_id), L(command_id), L(cause)});
  }
  HRESULT ListeningState(LONG char_id, LONG listening, LONG cause) override {
    return Call("ListeningState", {L(char_id), L(listening), L(cause)});
  }
  HRESULT DefaultCharacterChange(const BSTR& guid) override {
    return Call("DefaultCharacterChange", {S(guid)});
  }
  HRESULT AgentPropertyChange() override { return Call("AgentPropertyChange", {}); }
  HRESULT ActiveClientChange(LONG char_id, LONG status) override {
    return Call("ActiveClientChange", {L(char_id), L(status)});
  }

 private:
  HRESULT Call(const char* member, std::vector<VARIANT> args) { return CallMember(member, args); }
};

}  // namespace

std::unique_ptr<InterfaceProxy> MakeAgentExProxy(RemoteObject* manager) {
  return std::make_unique<AgentExProxy>(manager);
}
std::unique_ptr<InterfaceProxy> MakeAgentCharacterExProxy(RemoteObject* manager) {
  return std::make_unique<AgentCharacterExProxy>(manager);
}
std::unique_ptr<InterfaceProxy> MakeAgentCommandsProxy(RemoteObject* manager) {
  return std::make_unique<AgentCommandsProxy>(manager);
}
std::unique_ptr<InterfaceProxy> MakeAgentNotifySinkProxy(RemoteObject* manager) {
  return std::make_unique<AgentNotifySinkProxy>(manager, IID_IAgentNotifySink);
}
std::unique_ptr<InterfaceProxy> MakeAgentNotifySinkExProxy(RemoteObject* manager) {
  return std::make_unique<AgentNotifySinkProxy>(manager, IID_IAgentNotifySinkEx);
}

}  // namespace parlotto
