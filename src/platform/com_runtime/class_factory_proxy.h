// IClassFactory of a class object in another process.
#pragma once

#include <memory>

#include "platform/com_runtime/interface_table.h"

namespace parlotto {

std::unique_ptr<InterfaceProxy> MakeClassFactoryProxy(RemoteObject* manager);

}  // namespace parlotto
