#include "agentsvr/character_object.h"

#include <utility>

#include "contracts/agent/agent_marshal.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/server_lifetime.h"

namespace parlotto::agent {
namespace {

constexpr LONG kGerman = 7;
constexpr LONG kEnglish = 9;

ITypeInfo* TypeInfoOf(REFIID iid) {
  const InterfaceInfo* info = parlotto::FindInterface(iid);
  return info ? info->type_info.Get() : nullptr;
}

HRESULT Fail(HRESULT hr, const QString& description) {
  return FailWithErrorInfo(hr, QStringLiteral("AgentSvr"), IID_IAgentCharacterEx, description);
}

QString HideCaption(LONG language) {
  return language == kEnglish ? QStringLiteral("Hide") : QStringLiteral("Ausblenden");
}

QString DefaultVoice(LONG language) {
  return language == kEnglish ? QStringLiteral("en") : QStringLiteral("de");
}

}  // namespace

namespace {
LONG g_last_request_id = 0;
}  // namespace

LONG CharacterObject::NextRequestId() { return ++g_last_request_id; }
LONG CharacterObject::LastRequestId() { return g_last_request_id; }

CharacterObject::CharacterObject(IUnknown* outer, LONG char_id, const Character& character,
                                 std::shared_ptr<NotifySinks> sinks, std::unique_ptr<Stage> stage)
    : ComObject(outer),
      DispatchImpl(TypeInfoOf(IID_IAgentCharacterEx), &target_),
      target_(AgentCharacterExStub, static_cast<IAgentCharacterEx*>(this)),
      char_id_(char_id),
      sinks_(std::move(sinks)),
      language_(character.language == kEnglish ? kEnglish : kGerman),
      stage_(std::move(stage)),
      speaker_(std::make_unique<SpeechControlSpeaker>()) {
  ServerLifetime::ObjectCreated();
  speaker_->SelectVoice(character.voice.isEmpty() ? DefaultVoice(language_) : character.voice);
  queue_ = std::make_unique<RequestQueue>(stage_.get(), speaker_.get(), &NextRequestId);
  ConnectQueue();
  ConnectStage();
  UpdateMenu();
}

CharacterObject::~CharacterObject() {
  Close();
  ServerLifetime::ObjectGone();
}

void CharacterObject::Close() {
  if (!queue_) return;
  queue_->StopAll(kAllRequestTypes);
  // The queue goes first: it holds the stage and the speaker.
  queue_.reset();
  speaker_.reset();
  stage_.reset();
}

void CharacterObject::ConnectQueue() {
  queue_->on_idle = [this](bool idle) {
    Notify(kNotifyIdle, {VARIANT::I4(char_id_), VARIANT::I4(idle ? 1 : 0)});
  };
  queue_->on_request_start = [this](LONG id) { Notify(kNotifyRequestStart, {VARIANT::I4(id)}); };
  queue_->on_request_complete = [this](LONG id, RequestStatus status) {
    Notify(kNotifyRequestComplete, {VARIANT::I4(id), VARIANT::I4(static_cast<LONG>(status))});
  };
  queue_->on_visible_changed = [this](bool visible) {
    LONG cause = visible ? kCauseProgramShowed : kCauseProgramHid;
    if (!visible && std::exchange(user_hid_, false)) cause = kCauseUserHid;
    Notify(kNotifyVisibleState,
           {VARIANT::I4(char_id_), VARIANT::I4(visible ? 1 : 0), VARIANT::I4(cause)});
  };
}

void CharacterObject::ConnectStage() {
  stage_->on_command = [this](LONG id) {
    Notify(kNotifyCommand, {VARIANT::I4(id), VARIANT::Unknown(nullptr)});
  };
  stage_->on_hide_chosen = [this] {
    // At once, also in the middle of a reading; the sinks learn who hid
    // the figure when it has gone.
    user_hid_ = true;
    queue_->HideForUser();
  };
  stage_->on_moved = [this](QPoint top_left) {
    Notify(kNotifyMove, {VARIANT::I4(char_id_), VARIANT::I4(top_left.x()),
                         VARIANT::I4(top_left.y()), VARIANT::I4(kCauseUserMoved)});
  };
}

void CharacterObject::Notify(DISPID member, const std::vector<VARIANT>& args) {
  if (sinks_) sinks_->Send(member, args);
}

void CharacterObject::UpdateMenu() { stage_->SetMenu(commands_, HideCaption(language_)); }

void* CharacterObject::FindInterface(REFIID iid) {
  if (iid == IID_IAgentCharacterEx || iid == IID_IDispatch)
    return static_cast<IAgentCharacterEx*>(this);
  if (iid == IID_IAgentCommands) return static_cast<IAgentCommands*>(this);
  return nullptr;
}

HRESULT CharacterObject::GetTypeInfoCount(UINT* count) {
  return DispatchImpl::GetTypeInfoCount(count);
}
HRESULT CharacterObject::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  return DispatchImpl::GetTypeInfo(index, lcid, info);
}
HRESULT CharacterObject::GetIDsOfNames(REFIID riid, const LPOLESTR* names, UINT count, LCID lcid,
                                       DISPID* ids) {
  return DispatchImpl::GetIDsOfNames(riid, names, count, lcid, ids);
}
HRESULT CharacterObject::Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags,
                                DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep_info,
                                UINT* arg_err) {
  return DispatchImpl::Invoke(member, riid, lcid, flags, params, result, excep_info, arg_err);
}

HRESULT CharacterObject::CheckLoaded() const {
  return queue_ ? S_OK : Fail(E_UNEXPECTED, QStringLiteral("The character has been unloaded."));
}

HRESULT CharacterObject::SetPosition(LONG left, LONG top) {
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  stage_->SetPosition(QPoint(left, top));
  return S_OK;
}

HRESULT CharacterObject::GetPosition(LONG* left, LONG* top) {
  if (left == nullptr || top == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  const QPoint position = stage_->Position();
  *left = position.x();
  *top = position.y();
  return S_OK;
}

HRESULT CharacterObject::GetOriginalSize(LONG* width, LONG* height) {
  if (width == nullptr || height == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  // The figure as the screen shows it, drawn for the desktop's scale:
  // clients fit it into the screen with this size.
  const QSize size = stage_->FrameSize();
  *width = size.width();
  *height = size.height();
  return S_OK;
}

HRESULT CharacterObject::GetVisible(LONG* visible) {
  if (visible == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  *visible = stage_->Visible() ? 1 : 0;
  return S_OK;
}

HRESULT CharacterObject::Show(LONG fast, LONG* req_id) {
  if (req_id == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  *req_id = queue_->Show(fast != 0);
  return S_OK;
}

HRESULT CharacterObject::Hide(LONG fast, LONG* req_id) {
  if (req_id == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  *req_id = queue_->Hide(fast != 0);
  return S_OK;
}

HRESULT CharacterObject::Play(const BSTR& animation, LONG* req_id) {
  if (req_id == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  *req_id = queue_->Play(animation);
  return S_OK;
}

HRESULT CharacterObject::Speak(const BSTR& text, const BSTR&, LONG* req_id) {
  if (req_id == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  if (text.size() > kMaxSpeakLength) {
    return Fail(E_INVALIDARG, QStringLiteral("The text is too long to speak (%1 characters; at "
                                             "most %2).")
                                  .arg(text.size())
                                  .arg(kMaxSpeakLength));
  }
  *req_id = queue_->Speak(text);
  return S_OK;
}

HRESULT CharacterObject::Stop(LONG req_id) {
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  if (queue_->Stop(req_id)) return S_OK;
  // A request that has ended already is no error: the caller cannot know.
  if (req_id > 0 && req_id <= LastRequestId()) return S_OK;
  return Fail(E_INVALIDARG, QStringLiteral("There is no request %1.").arg(req_id));
}

HRESULT CharacterObject::StopAll(LONG types) {
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  queue_->StopAll(types);
  return S_OK;
}

HRESULT CharacterObject::SetLanguageID(LONG language_id) {
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  if (language_id != kGerman && language_id != kEnglish) {
    return Fail(E_INVALIDARG,
                QStringLiteral("Language %1 is not offered; 7 (German) and 9 (English) are.")
                    .arg(language_id));
  }
  language_ = language_id;
  speaker_->SelectVoice(DefaultVoice(language_));
  UpdateMenu();
  return S_OK;
}

HRESULT CharacterObject::SetTTSModeID(const BSTR& mode_id) {
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  return speaker_->SelectMode(mode_id);
}

HRESULT CharacterObject::Add(const BSTR& caption, const BSTR&, LONG enabled, LONG visible,
                             LONG* command_id) {
  if (command_id == nullptr) return E_POINTER;
  if (HRESULT hr = CheckLoaded(); FAILED(hr)) return hr;
  MenuCommand command;
  command.id = next_command_id_++;
  command.caption = caption;
  command.enabled = enabled != 0;
  command.visible = visible != 0;
  commands_.push_back(command);
  UpdateMenu();
  *command_id = command.id;
  return S_OK;
}

}  // namespace parlotto::agent
