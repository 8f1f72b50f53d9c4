// The character server as a user meets it.
//
// agent_bench: how long from creating the server until its figure starts to
// show, and how much of a core it takes while the figure stands idle on the
// desktop. Prints
//   first-frame-ms <ms>
//   idle-cpu-percent <percent of one core over the idle time>
// agent_bench stop-all TEXT_FILE RECORDING RATE: the character speaks the
// text on the default audio device, and 1.5 s after its speech started it
// gets StopAll(-1). Prints how long the recording of the device (16-bit
// mono at RATE, growing in real time) was at that call:
//   stop-at-ms <ms of audio>
// Run by bench/run.sh (P8, P3s), with the build tree's classes.reg.
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "contracts/agent/agent_interfaces.h"
#include "contracts/agent/ignored_notifications.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/bus_names.h"

namespace parlotto {
namespace {

// Notes when the Show request starts, which is when the figure's window
// goes up with its first frame, and which requests have started and ended.
class ShowSink final : public IgnoredNotifications<IAgentNotifySink> {
 public:
  LONG show_request = -1;
  bool show_started = false;
  bool show_done = false;
  std::set<LONG> started;
  std::set<LONG> completed;

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
  HRESULT RequestStart(LONG id) override {
    show_started = true;
    started.insert(id);
    return S_OK;
  }
  HRESULT RequestComplete(LONG id, LONG) override {
    if (id == show_request) show_done = true;
    completed.insert(id);
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

// A server with the default character loaded and shown.
struct Session {
  ComPtr<IAgentEx> agent;
  ComPtr<ShowSink> sink{new ShowSink};
  ComPtr<IAgentCharacterEx> character;
  LONG sink_id = 0;
  LONG char_id = 0;
  qint64 first_frame_ms = 0;

  ~Session() {
    if (character) character->StopAll(kAllRequestTypes);
    if (agent) agent->Unregister(sink_id);
    character.Reset();
    if (agent) agent->Unload(char_id);
  }

  bool Start() {
    QElapsedTimer since_create;
    since_create.start();
    HRESULT hr = CoCreateInstance(CLSID_AgentServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IAgentEx,
                                  agent.ReceiveVoid());
    if (FAILED(hr)) {
      std::fprintf(stderr, "agent_bench: no character server: %s\n", DescribeHResult(hr).c_str());
      return false;
    }
    LONG request = 0;
    if (FAILED(agent->Register(static_cast<IAgentNotifySink*>(sink.Get()), &sink_id)) ||
        FAILED(agent->Load(VARIANT(), &char_id, &request)) ||
        FAILED(agent->GetCharacterEx(char_id, character.Receive())) ||
        FAILED(character->Show(0, &sink->show_request))) {
      std::fprintf(stderr, "agent_bench: the character did not load and show\n");
      return false;
    }
    RunFor(10000, [&] { return sink->show_started; });
    first_frame_ms = since_create.elapsed();
    RunFor(10000, [&] { return sink->show_done; });
    if (!sink->show_started || !sink->show_done) {
      std::fprintf(stderr, "agent_bench: Show never started or ended\n");
      return false;
    }
    return true;
  }
};

int MeasureIdle() {
  Session session;
  if (!session.Start()) return 1;
  const uint pid =
      QDBusConnection::sessionBus().interface()->servicePid(ClassServiceName(CLSID_AgentServer));
  // Standing idle: the breathing and blinking loop runs.
  RunFor(2000);
  const long long before = CpuTicks(pid);
  constexpr int kIdleMs = 10000;
  RunFor(kIdleMs);
  const long long used = CpuTicks(pid) - before;
  std::printf("first-frame-ms %lld\n", static_cast<long long>(session.first_frame_ms));
  std::printf("idle-cpu-percent %.2f\n", 100.0 * static_cast<double>(used) /
                                             static_cast<double>(sysconf(_SC_CLK_TCK)) /
                                             (kIdleMs / 1000.0));
  return 0;
}

int MeasureStopAll(const QString& text_file, const QString& recording, int rate) {
  QFile file(text_file);
  if (rate <= 0 || !file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "agent_bench: cannot read %s\n", qPrintable(text_file));
    return 2;
  }
  const QString text = QString::fromUtf8(file.readAll());
  const std::int64_t bytes_per_ms = std::int64_t{rate} * 2 / 1000;  // 16-bit mono
  Session session;
  if (!session.Start()) return 1;
  LONG speech = 0;
  if (FAILED(session.character->Speak(text, QString(), &speech))) {
    std::fprintf(stderr, "agent_bench: Speak failed\n");
    return 1;
  }
  RunFor(10000, [&] { return session.sink->started.count(speech) > 0; });
  if (session.sink->started.count(speech) == 0) {
    std::fprintf(stderr, "agent_bench: the speech never started\n");
    return 1;
  }
  RunFor(1500);
  if (session.sink->completed.count(speech) > 0) {
    std::fprintf(stderr, "agent_bench: the speech ended before the stop\n");
    return 1;
  }
  // First of all: the recording's length now.
  const std::int64_t at_ms = QFileInfo(recording).size() / bytes_per_ms;
  session.character->StopAll(kAllRequestTypes);
  RunFor(5000, [&] { return session.sink->completed.count(speech) > 0; });
  if (session.sink->completed.count(speech) == 0) {
    std::fprintf(stderr, "agent_bench: the stopped speech never completed\n");
    return 1;
  }
  std::printf("stop-at-ms %lld\n", static_cast<long long>(at_ms));
  // Whatever the device still plays after the stop belongs in the recording.
  RunFor(1000);
  return 0;
}

int Run(const QStringList& args) {
  if (FAILED(CoInitialize(nullptr)) || FAILED(RegisterAgentInterfaces())) return 2;
  if (args.size() == 1) return MeasureIdle();
  if (args.size() == 5 && args[1] == QLatin1String("stop-all"))
    return MeasureStopAll(args[2], args[3], args[4].toInt());
  std::fprintf(stderr, "usage: agent_bench [stop-all TEXT_FILE RECORDING RATE]\n");
  return 2;
}

}  // namespace
}  // namespace parlotto

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return parlotto::Run(QCoreApplication::arguments());
}
