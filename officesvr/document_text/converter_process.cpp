#include "officesvr/document_text/converter_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

namespace parlotto::office {
namespace {

constexpr qint64 kMaxErrors = 4096;

void Kill(QProcess& process) {
  process.kill();
  process.waitForFinished(5000);
}

}  // namespace

ConverterRun RunConverter(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds time_limit, std::size_t max_output) {
  QStringList list;
  for (const std::string& argument : arguments) list << QString::fromStdString(argument);
  QProcess process;
  process.setProgram(QString::fromStdString(program));
  process.setArguments(list);
  process.setStandardInputFile(QProcess::nullDevice());
  // A server killed while it waits must not leave its converter behind:
  // nobody would read the output, and one that hangs would never end.
  const pid_t server = getpid();
  process.setChildProcessModifier([server] {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != server) _exit(127);
  });
  process.start(QIODevice::ReadOnly);
  ConverterRun run;
  if (!process.waitForStarted(static_cast<int>(time_limit.count()))) return run;

  QElapsedTimer clock;
  clock.start();
  for (;;) {
    const qint64 left = time_limit.count() - clock.elapsed();
    if (left <= 0) {
      Kill(process);
      run.outcome = ConverterRun::Outcome::kTimedOut;
      return run;
    }
    // Woken by each piece of output, so that a flood is caught while it
    // is still small.
    const int slice = static_cast<int>(std::min<qint64>(left, 200));
    if (!process.waitForReadyRead(slice) && process.state() != QProcess::NotRunning) {
      process.waitForFinished(std::min(slice, 20));
    }
    run.output += process.readAllStandardOutput().toStdString();
    if (static_cast<qint64>(run.errors.size()) < kMaxErrors) {
      run.errors += process.readAllStandardError().left(kMaxErrors).toStdString();
    }
    if (run.output.size() > max_output) {
      Kill(process);
      run.outcome = ConverterRun::Outcome::kTooMuchOutput;
      return run;
    }
    if (process.state() == QProcess::NotRunning) break;
  }
  run.output += process.readAllStandardOutput().toStdString();
  if (run.output.size() > max_output) {
    run.outcome = ConverterRun::Outcome::kTooMuchOutput;
    return run;
  }
  run.outcome = process.exitStatus() == QProcess::CrashExit ? ConverterRun::Outcome::kCrashed
                                                            : ConverterRun::Outcome::kFinished;
  run.exit_code = process.exitCode();
  return run;
}

}  // namespace parlotto::office
