// SIGTERM, SIGINT and SIGHUP end the program the way its own quit does, on
// the main thread, instead of killing it mid-write.
#pragma once

#include <functional>

namespace parlotto {

// Calls `handler` from the event loop after one of the signals; a second
// signal while the first is handled kills the process as usual. Needs the Qt
// application object.
void OnTerminationSignal(std::function<void()> handler);

}  // namespace parlotto
