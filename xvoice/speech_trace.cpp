#include "xvoice/speech_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "platform/loop/clock.h"
#include "platform/places/diagnostics.h"

namespace parlotto::xvoice {
namespace {

bool WriteAll(int fd, const std::string& line) {
  std::size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void Append(const QString& event) {
  const char* path = std::getenv("PARLOTTO_SPEECH_TRACE");
  if (path == nullptr || path[0] == '\0') return;
  std::string line = std::to_string(MonotonicMs()) + " " + event.toStdString() + "\n";
  int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && WriteAll(fd, line);
  int error = errno;
  if (fd >= 0) ::close(fd);
  if (ok) return;
  // Once per file: a test that cannot trace should say so, but not flood.
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard<std::mutex> lock(mutex);
  if (reported.insert(path).second) {
    ReportDiagnostic(std::string("speech runtime: cannot write the speech trace ") + path + ": " +
                     std::strerror(error));
  }
}

}  // namespace

QString SpeakTraceText(const QString& text) {
  QString line = QStringLiteral("speak ");
  line.reserve(text.size() + 8);
  for (qsizetype i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;  // CR LF is one break
      line += QStringLiteral("\\n");
    } else {
      line += c;
    }
  }
  return line;
}

void TraceSpeak(const QString& text) { Append(SpeakTraceText(text)); }

void TraceAudioStop() { Append(QStringLiteral("audio-stop")); }

}  // namespace parlotto::xvoice
