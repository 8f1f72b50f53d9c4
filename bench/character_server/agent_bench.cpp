// The character server as a user meets it: how long from creating the
// server until its figure starts to show, and how much of a core it takes
// while the figure stands idle on the desktop. Prints
//   first-frame-ms <ms>
//   idle-cpu-percent <percent of one core over the idle time>
// Run by bench/run.sh (P8), with the build tree's classes.reg.
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "contracts/agent/agent_interfaces.h"
#include "contracts/agent/ignored_notifications.h"
#include "platform/com/activation.h"
#include "platform/com/apartment.h"
#include "platform/com/bus_names.h"

namespace parlotto {
namespace {

// Notes when the Show request starts, which is when the figure's window
// goes up with its first frame.
class ShowSink final : public IgnoredNotifications<IAgentNotifySink> {
 public:
  LONG show_request = -1;
  bool show_started = false;
  bool show_done = false;

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IAgentNotifySink) {
      *out = static_cast<IAgentNotifySink*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
  }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT Command(LONG, IUnknown*) override { return S_OK; }
  HRESULT Idle(LONG, LONG) override { return S_OK; }
  // The id may come before Show has returned it: any request start counts.
  HRESULT RequestStart(LONG) override {
    show_started = true;
    return S_OK;
  }
  HRESULT RequestComplete(LONG id, LONG) override {
    if (id == show_request) show_done = true;
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{0};
};

// Clock ticks of CPU time (user and system) of process `pid`.
long long CpuTicks(uint pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // The command name may hold blanks; the fields after it are plain.
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  long long utime = 0;
  long long stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::stoll(field);
    if (i == 15) {
      stime = std::stoll(field);
      break;
    }
  }
  return utime + stime;
}

void RunFor(
    int ms, const std::function<bool()>& done = [] { return false; }) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (elapsed.elapsed() < ms && !done()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
  }
}

int Run() {
  if (FAILED(CoInitialize(nullptr)) || FAILED(RegisterAgentInterfaces())) return 2;
  QElapsedTimer since_create;
  since_create.start();
  ComPtr<IAgentEx> agent;
  HRESULT hr = CoCreateInstance(CLSID_AgentServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IAgentEx,
                                agent.ReceiveVoid());
  if (FAILED(hr)) {
    std::fprintf(stderr, "agent_bench: no character server: %s\n", DescribeHResult(hr).c_str());
    return 1;
  }
  ComPtr<ShowSink> sink(new ShowSink);
  LONG sink_id = 0;
  LONG char_id = 0;
  LONG request = 0;
  ComPtr<IAgentCharacterEx> character;
  if (FAILED(agent->Register(static_cast<IAgentNotifySink*>(sink.Get()), &sink_id)) ||
      FAILED(agent->Load(VARIANT(), &char_id, &request)) ||
      FAILED(agent->GetCharacterEx(char_id, character.Receive())) ||
      FAILED(character->Show(0, &sink->show_request))) {
    std::fprintf(stderr, "agent_bench: the character did not load and show\n");
    return 1;
  }
  RunFor(10000, [&] { return sink->show_started; });
  const qint64 first_frame = since_create.elapsed();
  RunFor(10000, [&] { return sink->show_done; });
  if (!sink->show_started || !sink->show_done) {
    std::fprintf(stderr, "agent_bench: Show never started or ended\n");
    return 1;
  }
  const uint pid =
      QDBusConnection::sessionBus().interface()->servicePid(ClassServiceName(CLSID_AgentServer));
  // Standing idle: the breathing and blinking loop runs.
  RunFor(2000);
  const long long before = CpuTicks(pid);
  constexpr int kIdleMs = 10000;
  RunFor(kIdleMs);
  const long long used = CpuTicks(pid) - before;
  std::printf("first-frame-ms %lld\n", static_cast<long long>(first_frame));
  std::printf("idle-cpu-percent %.2f\n", 100.0 * static_cast<double>(used) /
                                             static_cast<double>(sysconf(_SC_CLK_TCK)) /
                                             (kIdleMs / 1000.0));
  character->StopAll(kAllRequestTypes);
  agent->Unregister(sink_id);
  character.Reset();
  agent->Unload(char_id);
  return 0;
}

}  // namespace
}  // namespace parlotto

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return parlotto::Run();
}
