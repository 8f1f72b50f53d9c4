// In-process servers: shared objects that export DllGetClassObject.
#pragma once

#include <string>

#include "platform/com/unknown.h"

namespace parlotto {

using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID iid, void** out);

// Loads `library` once per process (it stays loaded) and asks its
// DllGetClassObject for the class object.
HRESULT GetInprocClassObject(const std::string& library, REFCLSID clsid, REFIID iid, void** out);

}  // namespace parlotto
