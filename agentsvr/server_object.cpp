#include "agentsvr/server_object.h"

#include <QFileInfo>
#include <optional>

#include "agentsvr/character_object.h"
#include "agentsvr/character_window/character_window.h"
#include "agentsvr/default_character.h"
#include "character_format/character_file.h"
#include "contracts/agent/agent_marshal.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/server_lifetime.h"

namespace parlotto::agent {
namespace {

// Character ids of the whole server, so that a stale id of one client never
// names another's character.
LONG NextCharacterId() {
  static LONG last = 0;
  return ++last;
}

HRESULT Fail(HRESULT hr, const QString& description) {
  return FailWithErrorInfo(hr, QStringLiteral("AgentSvr"), IID_IAgentEx, description);
}

bool MeansDefault(const VARIANT& key) {
  return key.vt == VT_EMPTY || key.vt == VT_NULL || key.IsMissing() ||
         (key.vt == VT_BSTR && key.bstrVal.isEmpty());
}

}  // namespace

ServerObject::ServerObject(IUnknown* outer)
    : ComObject(outer),
      DispatchImpl(parlotto::FindInterface(IID_IAgentEx)
                       ? parlotto::FindInterface(IID_IAgentEx)->type_info.Get()
                       : nullptr,
                   &target_),
      target_(AgentExStub, static_cast<IAgentEx*>(this)) {
  ServerLifetime::ObjectCreated();
}

ServerObject::~ServerObject() {
  // The client has gone (or let go of everything): its characters go too.
  for (auto& [id, character] : characters_) static_cast<CharacterObject*>(character.Get())->Close();
  characters_.clear();
  sinks_->Clear();
  ServerLifetime::ObjectGone();
}

void* ServerObject::FindInterface(REFIID iid) {
  if (iid == IID_IAgentEx || iid == IID_IDispatch) return static_cast<IAgentEx*>(this);
  return nullptr;
}

HRESULT ServerObject::Load(const VARIANT& load_key, LONG* char_id, LONG* req_id) {
  if (char_id == nullptr || req_id == nullptr) return E_POINTER;
  *char_id = 0;
  *req_id = 0;
  QString path;
  if (MeansDefault(load_key)) {
    path = DefaultCharacterFile();
    if (path.isEmpty()) {
      return Fail(HRESULT_FROM_WIN32(2), QStringLiteral("There is no character file in the "
                                                        "characters folder."));
    }
  } else if (load_key.vt == VT_BSTR) {
    path = load_key.bstrVal;
  } else {
    return Fail(E_INVALIDARG, QStringLiteral("Load takes a file path or nothing."));
  }
  if (!QFileInfo(path).isFile()) {
    return Fail(HRESULT_FROM_WIN32(2),
                QStringLiteral("The character file \"%1\" does not exist.").arg(path));
  }
  QString error;
  std::optional<Character> character = LoadCharacterFile(path, &error);
  if (!character) {
    return Fail(E_FAIL,
                QStringLiteral("The character file \"%1\" cannot be used: %2").arg(path, error));
  }
  const LONG id = NextCharacterId();
  ComPtr<IAgentCharacterEx> object;
  HRESULT hr =
      ComObject::Create<CharacterObject>(nullptr, IID_IAgentCharacterEx, object.ReceiveVoid(), id,
                                         *character, sinks_, CreateCharacterWindow(*character));
  if (FAILED(hr)) return hr;
  characters_[id] = object;
  *char_id = id;
  // Loading happens inside the call; its request has ended when it returns.
  *req_id = CharacterObject::NextRequestId();
  return S_OK;
}

HRESULT ServerObject::Unload(LONG char_id) {
  auto it = characters_.find(char_id);
  if (it == characters_.end()) {
    return Fail(E_INVALIDARG, QStringLiteral("No character %1 is loaded.").arg(char_id));
  }
  ComPtr<IAgentCharacterEx> character = std::move(it->second);
  characters_.erase(it);
  static_cast<CharacterObject*>(character.Get())->Close();
  return S_OK;
}

HRESULT ServerObject::Register(IUnknown* sink, LONG* sink_id) {
  return sinks_->Register(sink, sink_id);
}

HRESULT ServerObject::Unregister(LONG sink_id) {
  HRESULT hr = sinks_->Unregister(sink_id);
  if (FAILED(hr)) return Fail(hr, QStringLiteral("No sink %1 is registered.").arg(sink_id));
  return S_OK;
}

HRESULT ServerObject::GetCharacterEx(LONG char_id, IAgentCharacterEx** character) {
  if (character == nullptr) return E_POINTER;
  *character = nullptr;
  auto it = characters_.find(char_id);
  if (it == characters_.end()) {
    return Fail(E_INVALIDARG, QStringLiteral("No character %1 is loaded.").arg(char_id));
  }
  *character = it->second.Get();
  (*character)->AddRef();
  return S_OK;
}

HRESULT AgentClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  return ComObject::Create<ServerObject>(outer, iid, out);
}

}  // namespace parlotto::agent
