// How values travel in bus messages.
//
// Parameters take the bus type of their declared type: short "n", long "i",
// unsigned long "u", VARIANT_BOOL "b", BSTR "s", VARIANT "v", an interface
// pointer "(sos)" (the unique bus name of the process that holds the object,
// its path, and a token; ("", "/", "") is null). A VARIANT carries its value
// with the same types; kinds without a bus type of their own (empty, null,
// error) travel as the struct "(qu)": the type number and, for errors, the
// code.
//
// Each interface pointer that is sent carries one reference for its
// receiver, which the receiver gives back when it lets go. A process that
// sends its own object counts that reference itself (the token is empty);
// one that passes on another process's object borrows a reference from the
// owner (IUnknown.Lend) and sends the token, and the receiver claims it
// (IUnknown.Claim), which makes the reference its own.
#pragma once

#include <QDBusArgument>
#include <QString>
#include <QVariant>

#include "platform/com/typeinfo.h"

namespace parlotto {

// The bus signature of a parameter's type; empty for an unsupported type.
QString BusSignature(const PARAMDESC& param);

// Where bus arguments come from: the connection that sent them, and whether
// they are arguments of a call to this process (objects in them are that
// caller's callbacks, which get a time limit) or part of an answer.
struct Origin {
  QString sender;
  bool incoming_call = false;
};

// `value` (of the parameter's type) as a bus argument for `destination`.
HRESULT MarshalParam(const PARAMDESC& param, const VARIANT& value, const QString& destination,
                     QVariant* out);
// A bus argument from `origin` as the parameter's type.
HRESULT UnmarshalParam(const PARAMDESC& param, const QVariant& in, const Origin& origin,
                       VARIANT* out);

HRESULT MarshalVariant(const VARIANT& value, const QString& destination, QVariant* out);
HRESULT UnmarshalVariant(const QVariant& in, const Origin& origin, VARIANT* out);

// An interface pointer (or null) as "(sos)", with one reference for
// `destination`.
HRESULT MarshalInterface(IUnknown* object, const QString& destination, QVariant* out);
// Takes over the reference that a "(sos)" carries; asks the object for `iid`.
HRESULT UnmarshalInterface(const QVariant& in, const Origin& origin, REFIID iid, void** out);

}  // namespace parlotto
