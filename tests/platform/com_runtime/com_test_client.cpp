// A second client for the lifetime tests: it creates a character server
// object, loads the character, says "ready" and then only waits, holding
// both, until it is killed.
#include <QCoreApplication>
#include <cstdio>

#include "contracts/agent/agent_interfaces.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"

int main(int argc, char** argv) {
  using namespace parlotto;
  QCoreApplication app(argc, argv);
  CoInitialize(nullptr);
  if (FAILED(RegisterAgentInterfaces())) return 2;
  ComPtr<IAgentEx> agent;
  HRESULT hr = CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
                                agent.ReceiveVoid());
  if (FAILED(hr)) {
    std::printf("failed %s\n", DescribeHResult(hr).c_str());
    return 1;
  }
  LONG char_id = 0;
  LONG req_id = 0;
  ComPtr<IAgentCharacterEx> character;
  if (FAILED(agent->Load(VARIANT(), &char_id, &req_id)) ||
      FAILED(agent->GetCharacterEx(char_id, character.Receive()))) {
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}
