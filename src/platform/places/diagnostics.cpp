#include "platform/places/diagnostics.h"

#include <cstdio>
#include <mutex>

namespace parlotto {
namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

DiagnosticSink& Sink() {
  static DiagnosticSink sink;
  return sink;
}

}  // namespace

void SetDiagnosticSink(DiagnosticSink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  Sink() = std::move(sink);
}

void ReportDiagnostic(const std::string& line) {
  DiagnosticSink sink;
  {
    std::lock_guard<std::mutex> lock(SinkMutex());
    sink = Sink();
  }
  try {
    if (sink) {
      sink(line);
      return;
    }
  } catch (...) {
    // A failing sink must not take its caller down; fall back to stderr.
  }
  std::fprintf(stderr, "parlotto: %s\n", line.c_str());
}

}  // namespace parlotto
