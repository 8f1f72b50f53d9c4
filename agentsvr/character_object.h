// A loaded character as its client sees it: IAgentCharacterEx and, by
// QueryInterface, IAgentCommands. It owns the character's stage, speaker
// and request queue, and tells the sinks of the server object that loaded
// it what happens (Idle, Command, VisibleState, Move, RequestStart and
// RequestComplete).
#pragma once

#include <memory>
#include <vector>

#include "agentsvr/agent_queue/request_queue.h"
#include "agentsvr/agent_queue/speech_control_speaker.h"
#include "agentsvr/agent_queue/stage.h"
#include "agentsvr/notify_sinks.h"
#include "character_format/character.h"
#include "contracts/agent/agent_interfaces.h"
#include "platform/com/com_object.h"
#include "platform/com_runtime/interface_table.h"
#include "platform/typelib/type_info_dispatch.h"

namespace parlotto::agent {

class CharacterObject final : public ComObject,
                              public DispatchImpl<IAgentCharacterEx>,
                              public IAgentCommands {
 public:
  // Longer texts are refused: a reader sends pieces of a few hundred
  // characters, and the balloon and the speech must stay responsive.
  static constexpr qsizetype kMaxSpeakLength = qsizetype{8} * 1024 * 1024;

  // The character stands on `stage` (its window; a recording one in tests).
  CharacterObject(IUnknown* outer, LONG char_id, const Character& character,
                  std::shared_ptr<NotifySinks> sinks, std::unique_ptr<Stage> stage);
  ~CharacterObject() override;

  PARLOTTO_DELEGATING_UNKNOWN

  // Unloaded: the figure goes at once, speech stops, and every later call
  // fails, also for a client that still holds the character.
  void Close();

  // IAgentCommands has its own IDispatch; only IAgentCharacterEx's is offered.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid,
                        DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) override;

  HRESULT SetPosition(LONG left, LONG top) override;
  HRESULT GetPosition(LONG* left, LONG* top) override;
  HRESULT GetOriginalSize(LONG* width, LONG* height) override;
  HRESULT GetVisible(LONG* visible) override;
  HRESULT Show(LONG fast, LONG* req_id) override;
  HRESULT Hide(LONG fast, LONG* req_id) override;
  HRESULT Play(const BSTR& animation, LONG* req_id) override;
  HRESULT Speak(const BSTR& text, const BSTR& url, LONG* req_id) override;
  HRESULT Stop(LONG req_id) override;
  HRESULT StopAll(LONG types) override;
  HRESULT SetLanguageID(LONG language_id) override;
  HRESULT SetTTSModeID(const BSTR& mode_id) override;

  HRESULT Add(const BSTR& caption, const BSTR& voice, LONG enabled, LONG visible,
              LONG* command_id) override;

  // Request ids of the whole server: unique and growing.
  static LONG NextRequestId();
  static LONG LastRequestId();

 private:
  void* FindInterface(REFIID iid) override;
  // E_UNEXPECTED with error info once the character is unloaded.
  HRESULT CheckLoaded() const;
  void Notify(DISPID member, const std::vector<VARIANT>& args);
  void UpdateMenu();
  void ConnectStage();
  void ConnectQueue();

  StubInvokeTarget target_;
  LONG char_id_;
  std::shared_ptr<NotifySinks> sinks_;
  LONG language_;
  std::vector<MenuCommand> commands_;
  LONG next_command_id_ = 1;
  bool user_hid_ = false;  // the next hiding is the user's
  std::unique_ptr<Stage> stage_;
  std::unique_ptr<SpeechControlSpeaker> speaker_;
  std::unique_ptr<RequestQueue> queue_;
};

}  // namespace parlotto::agent
