#include <QFile>

#include "contracts/agent/agent_marshal.h"

namespace parlotto {

HRESULT LoadAgentTypeLib(ITypeLib** library) {
  if (library == nullptr) return E_POINTER;
  *library = nullptr;
  QFile file(QStringLiteral(":/parlotto/agent.typelib.json"));
  if (!file.open(QIODevice::ReadOnly)) return TYPE_E_CANTLOADLIBRARY;
  return LoadTypeLibFromText(file.readAll(), library);
}

HRESULT RegisterAgentInterfaces() {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadAgentTypeLib(library.Receive());
  if (FAILED(hr)) return hr;
  return RegisterInterfaces(
      library.Get(), {{IID_IAgentEx, AgentExStub, MakeAgentExProxy},
                      {IID_IAgentCharacterEx, AgentCharacterExStub, MakeAgentCharacterExProxy},
                      {IID_IAgentCommands, AgentCommandsStub, MakeAgentCommandsProxy},
                      {IID_IAgentNotifySink, AgentNotifySinkStub, MakeAgentNotifySinkProxy},
                      {IID_IAgentNotifySinkEx, AgentNotifySinkExStub, MakeAgentNotifySinkExProxy}});
}

}  // namespace parlotto
