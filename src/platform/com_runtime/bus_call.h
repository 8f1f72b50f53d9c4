// Outgoing calls on the bus, the way an apartment makes them: while the
// caller waits, the thread keeps dispatching incoming calls, posted messages
// and timers (but no user input), so that a server may call back into it.
//
// Waits nest, and one peer that never answers must not stall this process:
// nested waits are bounded in depth, every call in time (callbacks, objects
// a client handed us, tightly; servers generously), and a peer that lets a
// call time out is treated as gone from then on.
#pragma once

#include <QDBusMessage>
#include <QString>
#include <functional>

#include "platform/com/error_info.h"
#include "platform/com/hresult.h"

namespace parlotto {

// How many waits for answers may be nested on one thread; one more call
// fails at once with RPC_E_CALL_REJECTED.
inline constexpr int kMaxNestedCalls = 32;

// The time limit for calls to callbacks: 10 s, or
// $PARLOTTO_COM_CALLBACK_TIMEOUT_MS.
int CallbackTimeoutMs();

// How long a server this process called may keep a call without a sign of
// life: 60 s, or $PARLOTTO_COM_SERVER_TIMEOUT_MS. Then it is asked whether
// it still takes calls, and given as long again for the answer.
int ServerTimeoutMs();

// Sends `call` and waits for its answer, without a time limit when
// `timeout_ms` is 0. A failed HRESULT from the other side comes back as the
// result, with its error info in this thread's slot; trouble on the bus
// becomes the HRESULT the window system gives for it. A peer that does not
// answer in time gives RPC_E_TIMEOUT and is treated as gone; with
// `ask_if_alive` it is first pinged each time `timeout_ms` passes (at the
// call's object, on the thread that serves its calls), and a call that is
// long but whose peer answers the pings goes on.
HRESULT CallAndWait(const QDBusMessage& call, QDBusMessage* reply, int timeout_ms = 0,
                    bool ask_if_alive = false);

// Sends `call` without asking for an answer: it neither waits nor nests.
// Messages to one peer keep their order. Fails only for a peer that is gone.
HRESULT SendOneWay(const QDBusMessage& call);

// The number of waits for answers under way on this thread.
int NestedCallDepth();

// The error answer to `call` for `hr`, carrying the error info that is in
// this thread's slot (which is emptied). Its body is one string that
// starts with the description, so that bus tools show it; the rest of the
// error info follows on a last line behind kErrorInfoMarker.
QDBusMessage ErrorReply(const QDBusMessage& call, HRESULT hr);
inline constexpr const char* kErrorInfoMarker = "org.parlotto.Com.ErrorInfo: ";

// The HRESULT of an answer: S_OK for a method return; for an error, the
// HRESULT it carries (its error info goes into the thread's slot).
HRESULT HResultOfReply(const QDBusMessage& reply);

// Peers: the other connections on the bus. A peer is gone when it left the
// bus or did not answer a call in time; calls to it fail at once.

// Watches `name` until it goes; false (and the peer gone) when it is not a
// unique connection name on the bus.
bool WatchPeer(const QString& name);
// S_OK for a usable peer; how calls to it fail when it is gone.
HRESULT PeerFailure(const QString& name);
// Marks `name` as gone; calls to it fail with `hr` from now on, waits for
// its answers end, and the listeners hear of it.
void TreatPeerAsGone(const QString& name, HRESULT hr);
// Called once for every peer that goes.
void AddPeerGoneListener(std::function<void(const QString&)> listener);
// Called from the loop once the session bus itself has gone (its daemon
// ended, the session closed), after every peer was declared gone.
void AddBusLostListener(std::function<void()> listener);

}  // namespace parlotto
