// The environment of the program in a test: the scratch directory's hive,
// temporary folder and dialog record, the speech trace, no sound, the fixed
// waits scaled down and servers that end soon after their last client. The
// real program started as a process gets it through ProgramEnvironment; the
// program's code run inside a test program through ScopedProgramEnvironment.
#pragma once

#include <QProcessEnvironment>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto::testing {

inline std::vector<std::pair<const char*, std::string>> ProgramVariables(const ScratchDir& dir,
                                                                         const std::string& trace) {
  return {
      {"PARLOTTO_USER_HIVE", dir.File("user.reg")},
      {"PARLOTTO_DIALOGS", "record:" + dir.File("dialogs.txt")},
      {"PARLOTTO_SPEECH_TRACE", trace},
      {"PARLOTTO_AUDIO", "null"},
      {"PARLOTTO_TIME_SCALE", "0.05"},
      {"PARLOTTO_AGENT_LINGER_MS", "300"},
      {"PARLOTTO_OFFICE_LINGER_MS", "300"},
      {"TEMP", dir.path().string()},
      {"QT_QPA_PLATFORM", "offscreen"},
  };
}

// The real program finds its system directory beside itself.
inline QProcessEnvironment ProgramEnvironment(const ScratchDir& dir, const std::string& trace) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : ProgramVariables(dir, trace)) {
    env.insert(name, QString::fromStdString(value));
  }
  env.remove("PARLOTTO_SYSTEM_DIR");
  return env;
}

// Inside a test program the system directory is the build tree's.
class ScopedProgramEnvironment {
 public:
  ScopedProgramEnvironment(const ScratchDir& dir, const std::string& trace) {
    for (const auto& [name, value] : ProgramVariables(dir, trace)) {
      scopes_.push_back(std::make_unique<ScopedEnv>(name, value.c_str()));
    }
    scopes_.push_back(
        std::make_unique<ScopedEnv>("PARLOTTO_SYSTEM_DIR", PARLOTTO_BUILD_DIR "/system"));
  }

 private:
  std::vector<std::unique_ptr<ScopedEnv>> scopes_;
};

}  // namespace parlotto::testing
