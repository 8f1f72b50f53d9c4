// Name-based GUIDs (version 5: SHA-1 of a namespace and a name), so that an
// engine mode keeps its id on every machine and across runs.
#pragma once

#include <string_view>

#include "platform/com/guid.h"

namespace parlotto {

GUID NameBasedGuid(const GUID& name_space, std::string_view name);

}  // namespace parlotto
