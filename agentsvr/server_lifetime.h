// When the server process ends: a few seconds after its last object has
// gone (the runtime releases what a vanished client held, so that counts
// too), unless a new client came meanwhile.
#pragma once

#include <QTimer>

namespace parlotto::agent {

class ServerLifetime {
 public:
  // $PARLOTTO_AGENT_LINGER_MS, else 5 s (scaled by the time scale).
  static int LingerMs();

  // Starts waiting for the first client, which gets longer than the linger:
  // it was started by a creator that is about to call.
  static void Start();
  static void ObjectCreated();
  static void ObjectGone();
  static int LiveObjects();

 private:
  static void EndLater(int ms);
};

}  // namespace parlotto::agent
