// The calling thread's apartment and the process's bus connection. Objects
// live on the main thread, which is a single-threaded apartment: calls into
// them arrive only while that thread runs its event loop or processes
// pending messages, and while it waits for the answer to a call of its own.
#pragma once

#include "platform/com/hresult.h"

class QDBusConnection;

namespace parlotto {

enum : DWORD {
  COINIT_APARTMENTTHREADED = 0x2,
  COINIT_MULTITHREADED = 0x0,
};

HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();
bool IsComInitialized();

// The session bus connection through which objects are served and reached.
// Needs the Qt application object.
QDBusConnection& ComConnection();

}  // namespace parlotto
