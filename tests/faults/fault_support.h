// What the fault tests share: the real program started with a mark in its
// environment that every process it starts inherits, so that whatever is
// left afterwards can be found by scanning /proc; a hive with values that
// must outlive the fault; the log's lines; bounded waits that keep the
// test's own event loop running (its web server answers on it).
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/registry/registry.h"
#include "support/log_lines.h"
#include "support/program_environment.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::testing {

inline constexpr const char* kMarkVariable = "PARLOTTO_FAULT_MARK";

// Waits until `done` holds or `ms` have passed, running the test's loop.
inline bool WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
  return true;
}

struct MarkedProcess {
  pid_t pid = 0;
  std::string exe;  // empty when it could not be read
};

inline std::string Describe(const std::vector<MarkedProcess>& processes) {
  std::ostringstream text;
  for (const MarkedProcess& process : processes) text << process.pid << " " << process.exe << "\n";
  return text.str();
}

// A mark unique to one test case. Everything that carries it is killed
// when the mark goes, so a failed case leaves nothing to the next.
class ProcessMark {
 public:
  ProcessMark() {
    static std::atomic<int> count{0};
    value_ = "fault-" + std::to_string(::getpid()) + "-" + std::to_string(++count) + "-" +
             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  ~ProcessMark() {
    for (const MarkedProcess& process : Living()) {
      ::kill(process.pid, SIGKILL);
      ::kill(process.pid, SIGCONT);
    }
  }
  ProcessMark(const ProcessMark&) = delete;
  ProcessMark& operator=(const ProcessMark&) = delete;

  void Apply(QProcessEnvironment& env) const {
    env.insert(kMarkVariable, QString::fromStdString(value_));
  }

  // The processes whose environment carries the mark, whatever their
  // program; zombies have no environment left and are not counted.
  std::vector<MarkedProcess> Living() const {
    namespace fs = std::filesystem;
    const std::string entry = std::string(kMarkVariable) + "=" + value_;
    std::vector<MarkedProcess> found;
    std::error_code error;
    for (const fs::directory_entry& dir : fs::directory_iterator("/proc", error)) {
      const std::string name = dir.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string environ = ReadFile(dir.path().string() + "/environ");
      std::istringstream variables(environ);
      for (std::string variable; std::getline(variables, variable, '\0');) {
        if (variable != entry) continue;
        std::error_code link_error;
        const fs::path exe = fs::read_symlink(dir.path() / "exe", link_error);
        found.push_back({static_cast<pid_t>(std::stoi(name)), exe.string()});
        break;
      }
    }
    return found;
  }

  // Whether every marked process has ended within `ms`.
  bool NoneLeftWithin(int ms) const {
    return WaitUntil([this] { return Living().empty(); }, ms);
  }

  // The marked processes that run a program of the build tree.
  std::vector<MarkedProcess> OursLiving() const {
    std::vector<MarkedProcess> ours;
    for (const MarkedProcess& process : Living()) {
      if (process.exe.starts_with(PARLOTTO_BUILD_DIR "/")) ours.push_back(process);
    }
    return ours;
  }

 private:
  std::string value_;
};

// The real program, started with the mark; killed (and reaped) with the
// object if it still runs.
class MarkedProgram {
 public:
  MarkedProgram(const ProcessMark& mark, QProcessEnvironment env, const ScratchDir& dir) {
    mark.Apply(env);
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
  }
  ~MarkedProgram() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  MarkedProgram(const MarkedProgram&) = delete;
  MarkedProgram& operator=(const MarkedProgram&) = delete;

  bool Start(const QStringList& args) {
    process_.start(QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto"), args);
    return process_.waitForStarted(10000);
  }
  // Whether it ended by itself, normally and with 0, within `ms`.
  bool EndsWithin(int ms) {
    if (!WaitUntil([this] { return process_.state() == QProcess::NotRunning; }, ms)) return false;
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
  }
  pid_t pid() const { return static_cast<pid_t>(process_.processId()); }

 private:
  QProcess process_;
};

// Values of every type in the settings key and beside it, none of which
// the program writes; they must all be there after any fault.
struct KeptValue {
  std::string key;
  std::string name;
  RegValue value;
};

inline RegValue Dword(std::uint32_t number) {
  RegValue value;
  value.type = RegType::kDword;
  value.dword = number;
  return value;
}

inline RegValue Text(RegType type, const std::string& text) {
  RegValue value;
  value.type = type;
  value.text = text;
  return value;
}

inline std::vector<KeptValue> KeptValues() {
  const std::string settings = "\\Software\\Zentravol\\Agent";
  const std::string other = "\\Software\\Zentravol\\Notizen";
  return {
      {settings, "Speed", Dword(170)},
      {settings, "Pitch", Dword(55)},
      {settings, "VolumeL", Dword(40000)},
      {settings, "AgentFromFileSystem", Text(RegType::kSz, "")},
      {other, "Zuletzt", Text(RegType::kSz, "Grüße aus Köln")},
      {other, "Ordner", Text(RegType::kExpandSz, "%HOME%/Dokumente")},
      {other, "Zähler", Dword(7)},
  };
}

// Writes the hive: noAgent as given, and the kept values.
inline void WriteHiveWithKeptValues(const ScratchDir& dir, bool character) {
  ScopedEnv hive("PARLOTTO_USER_HIVE", dir.File("user.reg").c_str());
  std::filesystem::remove(dir.File("user.reg"));
  Registry registry;
  registry.OpenKey("\\Software\\Zentravol\\Agent", true);
  registry.WriteBool("noAgent", !character);
  for (const KeptValue& kept : KeptValues()) {
    registry.OpenKey(kept.key, true);
    registry.WriteValue(kept.name, kept.value);
  }
}

// The kept values that are missing or changed, one line each.
inline std::string LostValues(const ScratchDir& dir) {
  ScopedEnv hive("PARLOTTO_USER_HIVE", dir.File("user.reg").c_str());
  Registry registry;
  std::string lost;
  for (const KeptValue& kept : KeptValues()) {
    RegValue value;
    if (!registry.OpenKey(kept.key, false) || !registry.GetValue(kept.name, &value) ||
        value.type != kept.value.type || value.text != kept.value.text ||
        value.dword != kept.value.dword) {
      lost += kept.key + "\\" + kept.name + "\n";
    }
  }
  return lost;
}

}  // namespace parlotto::testing
