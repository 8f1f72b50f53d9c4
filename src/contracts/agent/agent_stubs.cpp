// Stubs: calls that arrive for the character server's interfaces, made on
// the real objects. Arguments come converted to their declared types.
#include "contracts/agent/agent_marshal.h"

namespace parlotto {
namespace {

bool Is(const FUNCDESC& func, const char* name) { return func.name == QLatin1String(name); }

// Runs `call` with one [out] long and stores it in args[index].
template <typename Call>
HRESULT OutLong(std::vector<VARIANT>& args, size_t index, Call call) {
  LONG value = 0;
  HRESULT hr = call(&value);
  if (SUCCEEDED(hr) && index < args.size()) args[index] = VARIANT::I4(value);
  return hr;
}

template <typename Call>
HRESULT OutTwoLongs(std::vector<VARIANT>& args, size_t index, Call call) {
  LONG first = 0;
  LONG second = 0;
  HRESULT hr = call(&first, &second);
  if (SUCCEEDED(hr) && index + 1 < args.size()) {
    args[index] = VARIANT::I4(first);
    args[index + 1] = VARIANT::I4(second);
  }
  return hr;
}

// Whether args has the member's declared count, which the runtime ensures;
// checked again so that a wrong description cannot index past the end.
bool Has(const std::vector<VARIANT>& args, size_t count) { return args.size() >= count; }

}  // namespace

HRESULT AgentExStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* agent = static_cast<IAgentEx*>(object);
  if (Is(func, "Load") && Has(a, 3)) {
    LONG char_id = 0;
    LONG req_id = 0;
    HRESULT hr = agent->Load(a[0], &char_id, &req_id);
    a[1] = VARIANT::I4(char_id);
    a[2] = VARIANT::I4(req_id);
    return hr;
  }
  if (Is(func, "Unload") && Has(a, 1)) return agent->Unload(a[0].lVal);
  if (Is(func, "Register") && Has(a, 2)) {
    return OutLong(a, 1, [&](LONG* id) { return agent->Register(a[0].punkVal, id); });
  }
  if (Is(func, "Unregister") && Has(a, 1)) return agent->Unregister(a[0].lVal);
  if (Is(func, "GetCharacterEx") && Has(a, 2)) {
    IAgentCharacterEx* character = nullptr;
    HRESULT hr = agent->GetCharacterEx(a[0].lVal, &character);
    a[1].Clear();
    a[1].vt = VT_UNKNOWN;
    a[1].punkVal = character;  // takes over the reference
    return hr;
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT AgentCharacterExStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* c = static_cast<IAgentCharacterEx*>(object);
  if (Is(func, "SetPosition") && Has(a, 2)) return c->SetPosition(a[0].lVal, a[1].lVal);
  if (Is(func, "GetPosition") && Has(a, 2)) {
    return OutTwoLongs(a, 0, [&](LONG* x, LONG* y) { return c->GetPosition(x, y); });
  }
  if (Is(func, "GetOriginalSize") && Has(a, 2)) {
    return OutTwoLongs(a, 0, [&](LONG* w, LONG* h) { return c->GetOriginalSize(w, h); });
  }
  if (Is(func, "GetVisible") && Has(a, 1)) {
    return OutLong(a, 0, [&](LONG* v) { return c->GetVisible(v); });
  }
  if (Is(func, "Show") && Has(a, 2)) {
    return OutLong(a, 1, [&](LONG* id) { return c->Show(a[0].lVal, id); });
  }
  if (Is(func, "Hide") && Has(a, 2)) {
    return OutLong(a, 1, [&](LONG* id) { return c->Hide(a[0].lVal, id); });
  }
  if (Is(func, "Play") && Has(a, 2)) {
    return OutLong(a, 1, [&](LONG* id) { return c->Play(a[0].bstrVal, id); });
  }
  if (Is(func, "Speak") && Has(a, 3)) {
    return OutLong(a, 2, [&](LONG* id) { return c->Speak(a[0].bstrVal, a[1].bstrVal, id); });
  }
  if (Is(func, "Stop") && Has(a, 1)) return c->Stop(a[0].lVal);
  if (Is(func, "StopAll") && Has(a, 1)) return c->StopAll(a[0].lVal);
  if (Is(func, "SetLanguageID") && Has(a, 1)) return c->SetLanguageID(a[0].lVal);
  if (Is(func, "SetTTSModeID") && Has(a, 1)) return c->SetTTSModeID(a[0].bstrVal);
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT AgentCommandsStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* commands = static_cast<IAgentCommands*>(object);
  if (Is(func, "Add") && Has(a, 5)) {
    return OutLong(a, 4, [&](LONG* id) {
      return commands->Add(a[0].bstrVal, a[1].bstrVal, a[2].lVal, a[3].lVal, id);
    });
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT AgentNotifySinkStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* sink = static_cast<IAgentNotifySink*>(object);
  if (Is(func, "Command") && Has(a, 2)) return sink->Command(a[0].lVal, a[1].punkVal);
  if (Is(func, "ActivateInputState") && Has(a, 2)) {
    return sink->ActivateInputState(a[0].lVal, a[1].lVal);
  }
  if (Is(func, "Restart")) return sink->Restart();
  if (Is(func, "Shutdown")) return sink->Shutdown();
  if (Is(func, "VisibleState") && Has(a, 3))
    return sink->VisibleState(a[0].lVal, a[1].lVal, a[2].lVal);
  if (Is(func, "Click") && Has(a, 4))
    return sink->Click(a[0].lVal, a[1].iVal, a[2].lVal, a[3].lVal);
  if (Is(func, "DblClick") && Has(a, 4)) {
    return sink->DblClick(a[0].lVal, a[1].iVal, a[2].lVal, a[3].lVal);
  }
  if (Is(func, "DragStart") && Has(a, 4)) {
    return sink->DragStart(a[0].lVal, a[1].iVal, a[2].lVal, a[3].lVal);
  }
  if (Is(func, "DragComplete") && Has(a, 4)) {
    return sink->DragComplete(a[0].lVal, a[1].iVal, a[2].lVal, a[3].lVal);
  }
  if (Is(func, "RequestStart") && Has(a, 1)) return sink->RequestStart(a[0].lVal);
  if (Is(func, "RequestComplete") && Has(a, 2)) return sink->RequestComplete(a[0].lVal, a[1].lVal);
  if (Is(func, "BookMark") && Has(a, 1)) return sink->BookMark(a[0].lVal);
  if (Is(func, "Idle") && Has(a, 2)) return sink->Idle(a[0].lVal, a[1].lVal);
  if (Is(func, "Move") && Has(a, 4)) return sink->Move(a[0].lVal, a[1].lVal, a[2].lVal, a[3].lVal);
  if (Is(func, "Size") && Has(a, 3)) return sink->Size(a[0].lVal, a[1].lVal, a[2].lVal);
  if (Is(func, "BalloonVisibleState") && Has(a, 2)) {
    return sink->BalloonVisibleState(a[0].lVal, a[1].lVal);
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT AgentNotifySinkExStub(void* object, const FUNCDESC& func, std::vector<VARIANT>& a) {
  auto* sink = static_cast<IAgentNotifySinkEx*>(object);
  if (Is(func, "HelpComplete") && Has(a, 3))
    return sink->HelpComplete(a[0].lVal, a[1].lVal, a[2].lVal);
  if (Is(func, "ListeningState") && Has(a, 3)) {
    return sink->ListeningState(a[0].lVal, a[1].lVal, a[2].lVal);
  }
  if (Is(func, "DefaultCharacterChange") && Has(a, 1)) {
    return sink->DefaultCharacterChange(a[0].bstrVal);
  }
  if (Is(func, "AgentPropertyChange")) return sink->AgentPropertyChange();
  if (Is(func, "ActiveClientChange") && Has(a, 2))
    return sink->ActiveClientChange(a[0].lVal, a[1].lVal);
  return AgentNotifySinkStub(static_cast<IAgentNotifySink*>(sink), func, a);
}

}  // namespace parlotto
