#include "platform/com_runtime/server_lifetime.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/bus_call.h"
#include "platform/loop/clock.h"
#include "platform/places/diagnostics.h"

namespace parlotto {
namespace {

int g_linger_ms = 5000;
int g_live_objects = 0;
// Each wait that starts makes earlier ones void.
unsigned g_wait = 0;

}  // namespace

int ServeClassObject(REFCLSID clsid, IClassFactory* factory, const char* linger_variable,
                     const char* server) {
  DWORD cookie = 0;
  const HRESULT hr =
      CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  if (FAILED(hr)) {
    // Another server owns the class already; its clients go there.
    ReportDiagnostic(std::string(server) + ": cannot offer the class: " + DescribeHResult(hr));
    return 2;
  }
  ServerLifetime::Start(ServerLifetime::LingerMsFrom(linger_variable, 5000));
  // Without its bus no client can reach the server any more.
  AddBusLostListener([] { QCoreApplication::quit(); });
  const int result = QCoreApplication::exec();
  CoRevokeClassObject(cookie);
  return result;
}

int ServerLifetime::LingerMsFrom(const char* variable, int default_ms) {
  if (const char* value = std::getenv(variable)) {
    char* end = nullptr;
    long ms = std::strtol(value, &end, 10);
    if (end != value && *end == '\0' && ms >= 0 && ms <= 3'600'000) return static_cast<int>(ms);
  }
  return ScaledMs(default_ms);
}

void ServerLifetime::Start(int linger_ms) {
  g_linger_ms = linger_ms;
  EndLater(std::max(linger_ms, ScaledMs(kFirstClientWaitMs)));
}

void ServerLifetime::ObjectCreated() {
  ++g_live_objects;
  ++g_wait;
}

void ServerLifetime::ObjectGone() {
  if (--g_live_objects == 0) EndLater(g_linger_ms);
}

int ServerLifetime::LiveObjects() { return g_live_objects; }

void ServerLifetime::EndLater(int ms) {
  const unsigned wait = ++g_wait;
  QTimer::singleShot(ms, [wait] {
    if (wait == g_wait && g_live_objects == 0) QCoreApplication::quit();
  });
}

}  // namespace parlotto
