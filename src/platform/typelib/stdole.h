// The built-in library that holds IUnknown and IDispatch, the bases that
// every description may name without declaring them.
#pragma once

#include "platform/typelib/type_model.h"

namespace parlotto::typelib {

inline constexpr GUID kStdOleLibid = MakeGuid("{00020430-0000-0000-C000-000000000046}");
inline constexpr int kStdOleIUnknown = 0;
inline constexpr int kStdOleIDispatch = 1;

LibraryModel MakeStdOleModel();

// The vtable slots of IUnknown (3) and IDispatch (7).
int BuiltinSlotCount(int index);

}  // namespace parlotto::typelib
