#include "agentsvr/server_lifetime.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>

#include "platform/clock.h"

namespace parlotto::agent {
namespace {

int g_live_objects = 0;
// Each wait that starts makes earlier ones void.
unsigned g_wait = 0;

}  // namespace

int ServerLifetime::LingerMs() {
  if (const char* value = std::getenv("PARLOTTO_AGENT_LINGER_MS")) {
    char* end = nullptr;
    long ms = std::strtol(value, &end, 10);
    if (end != value && *end == '\0' && ms >= 0 && ms <= 3'600'000) return static_cast<int>(ms);
  }
  return ScaledMs(5000);
}

void ServerLifetime::Start() { EndLater(std::max(LingerMs(), ScaledMs(20000))); }

void ServerLifetime::ObjectCreated() {
  ++g_live_objects;
  ++g_wait;
}

void ServerLifetime::ObjectGone() {
  if (--g_live_objects == 0) EndLater(LingerMs());
}

int ServerLifetime::LiveObjects() { return g_live_objects; }

void ServerLifetime::EndLater(int ms) {
  const unsigned wait = ++g_wait;
  QTimer::singleShot(ms, [wait] {
    if (wait == g_wait && g_live_objects == 0) QCoreApplication::quit();
  });
}

}  // namespace parlotto::agent
