// Incoming calls on an exported object's interfaces, and the description of
// those interfaces that the bus shows.
#pragma once

#include <QDBusMessage>
#include <QString>

#include "platform/com/unknown.h"

namespace parlotto {

// Whether the call's arguments have exactly the bus types `signature`. A
// caller on the bus can send anything; reading an argument as another type
// than it has is undefined in the bus library, so members check first.
inline bool Takes(const QDBusMessage& message, const char* signature) {
  return message.signature() == QLatin1String(signature);
}

// Handles a call on a library interface, IDispatch or IClassFactory of
// `object`; the answer to send back.
QDBusMessage HandleInterfaceCall(const QDBusMessage& message, IUnknown* object);

// The introspection XML of the interfaces that `object` answers.
QString IntrospectionXml(IUnknown* object);

}  // namespace parlotto
