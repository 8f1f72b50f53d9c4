// The server side: the objects of this process that other processes hold,
// with the references each of them holds, and the handling of their calls.
#pragma once

#include <QString>

#include "platform/com/guid.h"
#include "platform/com/unknown.h"

namespace parlotto {

// Makes `object` reachable at a path and counts one reference for `client`
// (a unique bus name). The same object always gets the same path.
HRESULT ExportObject(IUnknown* object, const QString& client, QString* path);

// Counts one more reference for `client` on the object at `path`.
HRESULT AddExportedReference(const QString& path, const QString& client);

// Gives back one reference of `client` on the object at `path`.
void DropExportedReference(const QString& path, const QString& client);

// The object at `path` of this process, with a reference for the caller.
HRESULT FindExportedObject(const QString& path, IUnknown** object);

// Publishes a class object at ClassObjectPath(clsid), held until withdrawn.
HRESULT PublishClassObject(REFCLSID clsid, IUnknown* class_object);
void WithdrawClassObject(REFCLSID clsid);

// The number of references that other processes hold on this process's
// objects (class objects not counted), for tests and diagnostics.
int ExportedReferenceCount();

// This process's unique bus name.
QString OwnBusName();

}  // namespace parlotto
