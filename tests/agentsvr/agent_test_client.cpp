// A client of the character server for its tests: creates the server,
// registers a notification sink, loads the default character, shows it and
// speaks each text given as an argument, says "loaded" and waits, holding
// everything, until it is killed (or stopped, to play a client that never
// answers).
#include <QCoreApplication>
#include <cstdio>

#include "agentsvr/notify_sink_base.h"
#include "contracts/agent/agent_interfaces.h"
#include "platform/com/variant.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"

namespace {

int Fail(const char* what, parlotto::HRESULT hr) {
  std::printf("failed %s %s\n", what, parlotto::DescribeHResult(hr).c_str());
  std::fflush(stdout);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace parlotto;
  QCoreApplication app(argc, argv);
  CoInitialize(nullptr);
  RegisterAgentInterfaces();
  ComPtr<IAgentEx> agent;
  HRESULT hr = CoCreateInstance(CLSID_AgentServer, nullptr, kAgentServerContext, IID_IAgentEx,
                                agent.ReceiveVoid());
  if (FAILED(hr)) return Fail("create", hr);
  ComPtr<IUnknown> sink((new testing::NotifySinkBase(nullptr))->InnerUnknown());
  LONG sink_id = 0;
  hr = agent->Register(sink.Get(), &sink_id);
  if (FAILED(hr)) return Fail("register", hr);
  LONG char_id = 0;
  LONG req_id = 0;
  hr = agent->Load(VARIANT(), &char_id, &req_id);
  if (FAILED(hr)) return Fail("load", hr);
  ComPtr<IAgentCharacterEx> character;
  hr = agent->GetCharacterEx(char_id, character.Receive());
  if (FAILED(hr)) return Fail("character", hr);
  character->Show(1, &req_id);
  for (int i = 1; i < argc; ++i)
    character->Speak(QString::fromLocal8Bit(argv[i]), QString(), &req_id);
  std::printf("loaded\n");
  std::fflush(stdout);
  return QCoreApplication::exec();
}
