// The server side: the objects of this process that other processes hold,
// with the references each of them holds, and the handling of their calls.
#pragma once

#include <QString>

#include "platform/com/guid.h"
#include "platform/com/unknown.h"

namespace parlotto {

// References are counted per client connection: a count belongs to the
// connection that asked for it (the sender the bus stamps on its call), and
// a client that leaves the bus or stops answering has all of its released.

// Makes `object` reachable at a path and counts one reference for `client`,
// the receiver this process sends its own object to. A well-known name
// counts for its owner; a name that is not on the bus is not counted
// (RPC_S_SERVER_UNAVAILABLE). The same object always gets the same path.
HRESULT ExportObject(IUnknown* object, const QString& client, QString* path);

// Takes over a reference that a client lent (with IUnknown.Lend) for
// passing on: it moves from the lender to `claimant`, or, for an empty
// `claimant` (the object came back to this process), it is given back.
HRESULT ClaimExportedReference(const QString& path, const QString& token, const QString& claimant);

// The object at `path` of this process, with a reference for the caller.
HRESULT FindExportedObject(const QString& path, IUnknown** object);

// Publishes a class object at ClassObjectPath(clsid), held until withdrawn.
HRESULT PublishClassObject(REFCLSID clsid, IUnknown* class_object);
void WithdrawClassObject(REFCLSID clsid);

// IClassFactory::LockServer of the class object at `path`, called by
// `client`: a lock is counted for that client, an unlock takes back one of
// its own locks and is nothing (S_OK) for a client without one, and a client
// that leaves the bus has all of its locks taken back.
HRESULT LockClassObject(const QString& path, const QString& client, bool lock);

// The number of references that other processes hold on this process's
// objects (class objects not counted), for tests and diagnostics.
int ExportedReferenceCount();

// This process's unique bus name.
QString OwnBusName();

}  // namespace parlotto
