// The office server's type library, built into the server.
#pragma once

#include "platform/com/typeinfo.h"

namespace parlotto::office {

// The description of the interface `iid`, loaded once per process; null
// (with the reason in the log) when the library cannot be loaded.
ITypeInfo* WordTypeInfo(const IID& iid);

}  // namespace parlotto::office
