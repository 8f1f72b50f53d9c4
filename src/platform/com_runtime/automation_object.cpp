#include "platform/com_runtime/automation_object.h"

#include "platform/com_runtime/server_lifetime.h"

namespace parlotto {

AutomationObject::AutomationObject(const IID& iid, ITypeInfo* info)
    : ComObject(nullptr), DispatchImpl(info, this), iid_(iid) {
  ServerLifetime::ObjectCreated();
}

AutomationObject::~AutomationObject() { ServerLifetime::ObjectGone(); }

void* AutomationObject::FindInterface(REFIID iid) {
  return iid == IID_IDispatch || iid == iid_ ? static_cast<IDispatch*>(this) : nullptr;
}

}  // namespace parlotto
