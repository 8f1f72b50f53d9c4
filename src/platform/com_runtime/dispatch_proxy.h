// IDispatch of a remote object: names and calls go over the bus, the type
// information is loaded here from the registered type library.
#pragma once

#include <QDBusMessage>
#include <memory>

#include "platform/com_runtime/interface_table.h"

namespace parlotto {

std::unique_ptr<InterfaceProxy> MakeDispatchProxy(RemoteObject* manager);

// The bus call of IDispatch::Invoke on `object`; `arg_err` (if given) gets
// the index of an argument that cannot travel.
HRESULT MakeInvokeCall(const RemoteObject& object, DISPID member, WORD flags,
                       const DISPPARAMS& params, QDBusMessage* call, UINT* arg_err);

}  // namespace parlotto
