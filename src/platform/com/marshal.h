// How values travel in bus messages.
//
// Parameters take the bus type of their declared type: short "n", long "i",
// unsigned long "u", VARIANT_BOOL "b", BSTR "s", VARIANT "v", an interface
// pointer "(so)" (the bus name of the process that holds the object and its
// path; ("", "/") is null). A VARIANT carries its value with the same types;
// kinds without a bus type of their own (empty, null, error) travel as the
// struct "(qu)": the type number and, for errors, the code.
//
// Each interface pointer that is sent carries one reference for its
// receiver, which the receiver gives back when it lets go.
#pragma once

#include <QDBusArgument>
#include <QString>
#include <QVariant>

#include "platform/com/typeinfo.h"

namespace parlotto {

// The bus signature of a parameter's type; empty for an unsupported type.
QString BusSignature(const PARAMDESC& param);

// `value` (of the parameter's type) as a bus argument for `destination`.
HRESULT MarshalParam(const PARAMDESC& param, const VARIANT& value, const QString& destination,
                     QVariant* out);
// A bus argument from `sender` as the parameter's type.
HRESULT UnmarshalParam(const PARAMDESC& param, const QVariant& in, const QString& sender,
                       VARIANT* out);

HRESULT MarshalVariant(const VARIANT& value, const QString& destination, QVariant* out);
HRESULT UnmarshalVariant(const QVariant& in, const QString& sender, VARIANT* out);

// An interface pointer (or null) as "(so)", with one reference for
// `destination`.
HRESULT MarshalInterface(IUnknown* object, const QString& destination, QVariant* out);
// Takes over the reference that a "(so)" carries; asks the object for `iid`.
HRESULT UnmarshalInterface(const QVariant& in, REFIID iid, void** out);

}  // namespace parlotto
