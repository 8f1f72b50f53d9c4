// The browser's interfaces for the object runtime, shared by the program
// and the browser server: the type library, and the proxies that let a
// client hold a remote browser, document, frames collection, window or
// element by its own interface. Every member is reached late-bound, by name.
#pragma once

#include "platform/com/typeinfo.h"

namespace parlotto::browser {

HRESULT LoadBrowserTypeLib(ITypeLib** library);

// Makes the five interfaces known to this process, so that CoCreateInstance
// and QueryInterface can give them for a remote object. Once per process,
// before the first such call; later calls change nothing.
HRESULT RegisterBrowserInterfaces();

}  // namespace parlotto::browser
