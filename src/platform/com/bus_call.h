// Outgoing calls on the bus, the way an apartment makes them: the caller
// waits without a time limit, and while it waits the thread keeps
// dispatching incoming calls, posted messages and timers (but no user
// input), so that a server may call back into it.
#pragma once

#include <QDBusMessage>

#include "platform/com/error_info.h"
#include "platform/com/hresult.h"

namespace parlotto {

// Sends `call` and waits for its answer. A failed HRESULT from the other side
// comes back as the result, with its error info in this thread's slot;
// trouble on the bus becomes the HRESULT the window system gives for it.
HRESULT CallAndWait(const QDBusMessage& call, QDBusMessage* reply);

// The error answer to `call` for `hr`, carrying the error info that is in
// this thread's slot (which is emptied).
QDBusMessage ErrorReply(const QDBusMessage& call, HRESULT hr);

// The HRESULT of an answer: S_OK for a method return; for an error, the
// HRESULT it carries (its error info goes into the thread's slot).
HRESULT HResultOfReply(const QDBusMessage& reply);

}  // namespace parlotto
