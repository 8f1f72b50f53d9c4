#include "platform/loop/exception_guard.h"

#include <exception>
#include <string>

#include "platform/loop/application_events.h"
#include "platform/places/diagnostics.h"

namespace parlotto {
namespace {

void HandleException(const std::string& message) noexcept {
  try {
    ApplicationEvents* events = ApplicationEvents::Current();
    if (events != nullptr && events->OnException) {
      events->OnException(message);
      return;
    }
    ReportDiagnostic("unhandled exception: " + message);
  } catch (...) {
    // The hook itself failed; there is nobody left to tell.
  }
}

}  // namespace

void RunGuarded(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    HandleException(e.what());
  } catch (...) {
    HandleException("Unknown exception");
  }
}

}  // namespace parlotto
