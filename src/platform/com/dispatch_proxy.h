// IDispatch of a remote object: names and calls go over the bus, the type
// information is loaded here from the registered type library.
#pragma once

#include <memory>

#include "platform/com/interface_table.h"

namespace parlotto {

std::unique_ptr<InterfaceProxy> MakeDispatchProxy(RemoteObject* manager);

}  // namespace parlotto
