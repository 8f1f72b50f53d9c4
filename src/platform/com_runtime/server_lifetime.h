// When a local server's process ends: a few seconds after its last object
// has gone (the runtime releases what a vanished client held, so that counts
// too), unless a new client came meanwhile.
#pragma once

#include "platform/com/unknown.h"

namespace parlotto {

// Offers `factory` for `clsid` to the bus, runs the event loop until the
// lifetime ends the process (linger from `linger_variable`, else 5 s scaled)
// or the bus goes, and withdraws the class again. `server` names the server in the log line
// of a class that someone else offers already. The exit code: the loop's, or
// 2 when the class could not be offered.
int ServeClassObject(REFCLSID clsid, IClassFactory* factory, const char* linger_variable,
                     const char* server);

class ServerLifetime {
 public:
  // How long a server started for a creator waits for its first client
  // (scaled by the time scale).
  static constexpr int kFirstClientWaitMs = 20000;

  // The linger from the environment variable `variable` (milliseconds, up to
  // an hour), else `default_ms` scaled by the time scale.
  static int LingerMsFrom(const char* variable, int default_ms);

  // Starts waiting for the first client, which gets longer than the linger:
  // it was started by a creator that is about to call.
  static void Start(int linger_ms);
  static void ObjectCreated();
  static void ObjectGone();
  static int LiveObjects();

 private:
  static void EndLater(int ms);
};

}  // namespace parlotto
