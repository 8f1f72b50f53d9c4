// SIGTERM, SIGINT and SIGHUP end the program promptly but cleanly: the
// handler runs on the main thread, so that speech can be silenced and the
// character's position saved instead of dying mid-write.
#pragma once

#include <functional>

namespace parlotto {

// Calls `handler` from the event loop after the first of the signals. From
// then on any of them kills the process as usual, so a second signal ends a
// program that is slow to end. Needs the Qt application object.
void OnTerminationSignal(const std::function<void()>& handler);

// Blocks like Sleep(ms) but returns early, with true, once a termination
// signal has arrived and waits for its handler.
bool SleepUnlessTerminating(int ms);

// Makes a write to a pipe whose reader has gone fail with EPIPE instead of
// killing the process. Servers and readings inherit the output of whoever
// started them, which may close long before they end; call it first thing.
void IgnoreBrokenPipes();

}  // namespace parlotto
