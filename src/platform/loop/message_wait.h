// The speaking waits: instead of sleeping a fixed interval and then looking
// at the messages, a wait sleeps on the message loop itself, so that the end
// of an utterance (a posted message) is seen the moment it arrives.
#pragma once

namespace parlotto {

// Waits until a message, timer or other event of this thread arrives, or
// `ms` (scaled) have passed, delivers what is pending and returns. Never
// waits longer than `ms` between two rounds of delivery; handlers may nest
// here as in ProcessMessages. The application's idle hook does not run for
// this wait: a handler waiting is not the loop going idle.
void WaitForMessages(int ms);

}  // namespace parlotto
