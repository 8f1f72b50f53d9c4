// Incoming calls on an exported object's interfaces, and the description of
// those interfaces that the bus shows.
#pragma once

#include <QDBusMessage>
#include <QString>

#include "platform/com/unknown.h"

namespace parlotto {

// Handles a call on a library interface, IDispatch or IClassFactory of
// `object`; the answer to send back.
QDBusMessage HandleInterfaceCall(const QDBusMessage& message, IUnknown* object);

// The introspection XML of the interfaces that `object` answers.
QString IntrospectionXml(IUnknown* object);

}  // namespace parlotto
