// When a local server's process ends: a few seconds after its last object
// has gone (the runtime releases what a vanished client held, so that counts
// too), unless a new client came meanwhile.
#pragma once

namespace parlotto {

class ServerLifetime {
 public:
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
