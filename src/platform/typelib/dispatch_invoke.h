// Invoke by description, as automation's DispInvoke does it for a dual
// interface: find the member, match the arguments to its parameters,
// convert them, call the target, hand back [out] values and the result.
#pragma once

#include "platform/com/typeinfo.h"
#include "platform/typelib/type_model.h"

namespace parlotto::typelib {

// The target receives one entry per parameter in declared order, and for a
// dispinterface member that returns a value (return_vt other than HRESULT
// and void) one more at the end, for that value. Interface arguments reach
// it as VT_UNKNOWN holding the pointer QueryInterface gave for the declared
// IID, as the marshaller passes them.
HRESULT InvokeByDescription(const TypeModel& type, IInvokeTarget* target, MEMBERID memid,
                            WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep_info,
                            UINT* arg_err);

}  // namespace parlotto::typelib
