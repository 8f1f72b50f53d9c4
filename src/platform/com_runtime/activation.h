// Creating objects by class: in this process from a registered class object
// or a shared object named by InprocServer32, or in a server process on the
// session bus, started from its LocalServer32 command when none runs.
#pragma once

#include <QString>

#include "platform/com/unknown.h"

namespace parlotto {

enum : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
  CLSCTX_SERVER = 0x15,
  CLSCTX_ALL = 0x17,
};

enum : DWORD {
  REGCLS_SINGLEUSE = 0,
  REGCLS_MULTIPLEUSE = 1,
  REGCLS_MULTI_SEPARATE = 2,
};

// Offers `object` (a class object) to creators in this process and, for
// CLSCTX_LOCAL_SERVER, to other processes under ClassServiceName(clsid).
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* object, DWORD context, DWORD flags,
                              DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* server_info, REFIID iid, void** out);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);

// Registry lookups of HKEY_CLASSES_ROOT.
HRESULT CLSIDFromProgID(const QString& prog_id, CLSID* clsid);
HRESULT ProgIDFromCLSID(REFCLSID clsid, QString* prog_id);

// How long a creator waits for a started server to offer its class object:
// 30 s, or $PARLOTTO_COM_START_TIMEOUT_MS.
int ServerStartTimeoutMs();

}  // namespace parlotto
