// The real program run against broken files and directories: started with
// its test hooks, optionally without the capabilities that let root ignore
// file modes, with a umask of the test's choosing, and followed until every
// process it started has ended.
#pragma once

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "faults/fault_support.h"
#include "support/program_environment.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"

namespace parlotto::testing {

inline const QString kFaultProgram = QStringLiteral(PARLOTTO_BUILD_DIR "/parlotto");
inline const QString kFaultClient =
    QStringLiteral(PARLOTTO_BUILD_DIR "/tests/read_some_text_client");

// Root passes every permission check; these three are what it passes them
// with. Dropped from the bounding set before exec, they are gone for the
// program and everything it starts, while it keeps uid 0 for the bus.
inline void DropFileCapabilities() {
  for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    prctl(PR_CAPBSET_DROP, capability, 0, 0, 0);
  }
}

struct LaunchOptions {
  bool obey_file_modes = false;  // drop the capabilities above (as root)
  int umask = -1;                // -1: the test's own
  QString working_dir;
};

inline LaunchOptions ObeyingFileModes(bool obey = true) {
  LaunchOptions options;
  options.obey_file_modes = obey;
  return options;
}

inline LaunchOptions WithUmask(int mask) {
  LaunchOptions options;
  options.umask = mask;
  return options;
}

struct FaultRun {
  bool finished = false;
  bool normal_exit = false;
  int exit_code = -1;
  std::string out;  // standard output (the client's answers)
};

// The program and its helpers in one scratch directory: hive, TEMP (the
// log), speech trace and dialog record.
class FaultProgram {
 public:
  explicit FaultProgram(const ScratchDir& dir)
      : dir_(dir), env_(ProgramEnvironment(dir, dir.File("trace.txt"))) {
    mark_.Apply(env_);
    env_.insert("PARLOTTO_SYSTEM_DIR", QStringLiteral(PARLOTTO_BUILD_DIR "/system"));
  }

  QProcessEnvironment& env() { return env_; }
  void SetHive(const std::string& path) { env_.insert("PARLOTTO_USER_HIVE", Q(path)); }
  void SetTemp(const std::string& path) { env_.insert("TEMP", Q(path)); }
  std::string Temp() const { return env_.value("TEMP").toStdString(); }
  std::string Log() const { return ReadFile(Temp() + "/vocatodebug.log"); }
  std::vector<std::string> Spoken() const { return SpokenTexts(dir_.File("trace.txt")); }

  FaultRun Run(const QString& program, const QStringList& args, const LaunchOptions& options = {}) {
    QProcess process;
    process.setProcessEnvironment(env_);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setWorkingDirectory(options.working_dir.isEmpty() ? Q(dir_.path().string())
                                                              : options.working_dir);
    process.setChildProcessModifier([options] {
      if (options.obey_file_modes) DropFileCapabilities();
      if (options.umask >= 0) umask(static_cast<mode_t>(options.umask));
    });
    process.start(program, args);
    FaultRun run;
    run.finished = process.waitForFinished(kRunLimitMs);
    if (!run.finished) process.kill();
    run.normal_exit = run.finished && process.exitStatus() == QProcess::NormalExit;
    run.exit_code = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    return run;
  }

  FaultRun Read(const std::string& text, const LaunchOptions& options = {}) {
    return Run(kFaultProgram, {"-d", Q(text)}, options);
  }

  // Whether everything the runs started has ended within a bounded wait
  // (servers linger a moment after their last client).
  bool NothingLeftRunning() const { return mark_.NoneLeftWithin(kRunLimitMs); }

  static QString Q(const std::string& text) { return QString::fromStdString(text); }

  // Generous: the start, the reading, the end's waits and a sanitizer build.
  static constexpr int kRunLimitMs = 60000;

 private:
  const ScratchDir& dir_;
  ProcessMark mark_;
  QProcessEnvironment env_;
};

// The lines of `log` that contain `needle`.
inline std::vector<std::string> LinesWith(const std::string& log, const std::string& needle) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    if (line.find(needle) != std::string::npos) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The program beside its own "temp.txt": a link to the build's program in
// a directory of the test's, where that file can be tampered with. The
// system directory stays the build's.
inline std::string PlaceProgramIn(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  const std::filesystem::path program = dir / "parlotto";
  std::error_code ec;
  std::filesystem::create_hard_link(kFaultProgram.toStdString(), program, ec);
  if (ec) std::filesystem::copy_file(kFaultProgram.toStdString(), program);
  return program.string();
}

// File modes as ls shows the permission bits.
inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

// Every file of `dir` whose name starts with `prefix`, other than `except`.
inline std::vector<std::string> FilesStartingWith(const std::filesystem::path& dir,
                                                  const std::string& prefix,
                                                  const std::string& except) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && name != except) names.push_back(name);
  }
  return names;
}

}  // namespace parlotto::testing
