// The type names a description uses ("long", "BSTR", "IFoo*") and what they
// become in a PARAMDESC.
#pragma once

#include <QString>
#include <vector>

#include "platform/com/typeinfo.h"

namespace parlotto::typelib {

// An interface declared in the library, usable as "Name*".
struct InterfaceType {
  QString name;
  VARTYPE vt = VT_UNKNOWN;  // VT_DISPATCH when it derives from IDispatch
  IID iid;
};

struct ResolvedType {
  VARTYPE vt = VT_EMPTY;
  IID iid;  // interfaces declared in the library only
  // Stars beyond the value's own: "long*" and "IFoo**" have one.
  int indirections = 0;
};

// False when the name, with its stars taken off, is not a known type.
// VT_HRESULT and VT_VOID come back as they are; where they may stand is the
// caller's business.
bool ResolveTypeName(const QString& text, const std::vector<InterfaceType>& interfaces,
                     ResolvedType* out);

// "long", "BSTR", "IFoo*": the value form of a type, for diagnostics.
QString TypeNames();

}  // namespace parlotto::typelib
