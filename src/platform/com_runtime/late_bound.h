// Calls by member name through IDispatch, as an automation client makes them
// without the server's headers. A server's exception (DISP_E_EXCEPTION)
// comes back as the exception's own code, with its description and source
// as this thread's error info, so that a caller sees the server's reason.
#pragma once

#include <vector>

#include "platform/com/idispatch.h"

namespace parlotto {

HRESULT GetProperty(IDispatch* object, const char* name, VARIANT* result);
HRESULT PutProperty(IDispatch* object, const char* name, const VARIANT& value);

// `args` in declared order; VARIANT::Missing() for an omitted one.
HRESULT CallMethod(IDispatch* object, const char* name, const std::vector<VARIANT>& args,
                   VARIANT* result = nullptr);

// The object that the property `name` of `object` holds; null when the call
// fails or the property holds none (or `object` is null).
ComPtr<IDispatch> GetObjectProperty(IDispatch* object, const char* name);

// The object in `value` (VT_DISPATCH, or VT_UNKNOWN that answers IDispatch),
// or null.
ComPtr<IDispatch> DispatchOf(const VARIANT& value);

}  // namespace parlotto
