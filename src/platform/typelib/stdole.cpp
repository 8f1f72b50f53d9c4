#include "platform/typelib/stdole.h"

namespace parlotto::typelib {

LibraryModel MakeStdOleModel() {
  LibraryModel model;
  model.name = QStringLiteral("stdole");
  model.help = QStringLiteral("OLE Automation");
  model.libid = kStdOleLibid;
  model.major = 2;
  model.minor = 0;

  // Their own methods are left out: no description calls them by Invoke,
  // and the runtime handles them itself.
  TypeModel unknown;
  unknown.name = QStringLiteral("IUnknown");
  unknown.guid = IID_IUnknown;
  unknown.kind = TKIND_INTERFACE;
  unknown.flags = TYPEFLAG_FHIDDEN;
  model.types.push_back(unknown);

  TypeModel dispatch;
  dispatch.name = QStringLiteral("IDispatch");
  dispatch.guid = IID_IDispatch;
  dispatch.kind = TKIND_INTERFACE;
  dispatch.flags = TYPEFLAG_FOLEAUTOMATION;
  dispatch.impl_types.push_back({TypeRef{true, kStdOleIUnknown}, 0});
  model.types.push_back(dispatch);
  return model;
}

int BuiltinSlotCount(int index) { return index == kStdOleIDispatch ? 7 : 3; }

}  // namespace parlotto::typelib
