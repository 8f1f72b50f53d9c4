// Incoming calls on an exported object's interfaces, and the description of
// those interfaces that the bus shows.
#pragma once

#include <QDBusMessage>
#include <QString>
#include <vector>

#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace parlotto {

// Whether the call's arguments have exactly the bus types `signature`. A
// caller on the bus can send anything; reading an argument as another type
// than it has is undefined in the bus library, so members check first.
inline bool Takes(const QDBusMessage& message, const char* signature) {
  return message.signature() == QLatin1String(signature);
}

// Handles a call on a library interface, IDispatch or IClassFactory of
// `object`; the answer to send back, or an invalid message when the object
// took the call over to answer it later.
QDBusMessage HandleInterfaceCall(const QDBusMessage& message, IUnknown* object);

// The answer to IDispatch `call`: its result and by-reference arguments, or
// its failure with the thread's error info.
QDBusMessage InvokeReply(const QDBusMessage& call, HRESULT hr, const VARIANT& result,
                         const std::vector<VARIANT>& args);

// The introspection XML of the interfaces that `object` answers.
QString IntrospectionXml(IUnknown* object);

}  // namespace parlotto
