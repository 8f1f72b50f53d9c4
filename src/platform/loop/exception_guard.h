// Every handler that the message loop calls (timer, message, menu, incoming
// call) runs through RunGuarded: an exception that escapes it goes to the
// application's exception hook instead of unwinding into the event loop.
#pragma once

#include <functional>

namespace parlotto {

void RunGuarded(const std::function<void()>& handler) noexcept;

}  // namespace parlotto
