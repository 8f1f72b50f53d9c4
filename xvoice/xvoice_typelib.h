// The control's type library, embedded in the module as a Qt resource.
#pragma once

#include "platform/com/typeinfo.h"

namespace parlotto::xvoice {

// The description of the control's dispatch interface, loaded once per
// process; null (with the reason in the log) when it cannot be loaded.
ITypeInfo* DirectSSTypeInfo();

}  // namespace parlotto::xvoice
