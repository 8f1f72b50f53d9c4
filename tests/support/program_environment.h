// The environment of the real program in an end-to-end test: the scratch
// directory's hive, log and dialog record, the speech trace, no sound, the
// fixed waits scaled down, servers that end soon after their last client,
// and the build tree's system directory beside the program.
#pragma once

#include <QProcessEnvironment>
#include <string>

#include "support/scratch_dir.h"

namespace parlotto::testing {

inline QProcessEnvironment ProgramEnvironment(const ScratchDir& dir, const std::string& trace) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PARLOTTO_USER_HIVE", QString::fromStdString(dir.File("user.reg")));
  env.insert("PARLOTTO_DIALOGS", QString::fromStdString("record:" + dir.File("dialogs.txt")));
  env.insert("PARLOTTO_SPEECH_TRACE", QString::fromStdString(trace));
  env.insert("PARLOTTO_AUDIO", "null");
  env.insert("PARLOTTO_TIME_SCALE", "0.05");
  env.insert("PARLOTTO_AGENT_LINGER_MS", "300");
  env.insert("PARLOTTO_OFFICE_LINGER_MS", "300");
  env.insert("TEMP", QString::fromStdString(dir.path().string()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("PARLOTTO_SYSTEM_DIR");
  return env;
}

}  // namespace parlotto::testing
