#include "platform/typelib/type_name.h"

#include <QStringList>

namespace parlotto::typelib {
namespace {

struct BasicType {
  const char* name;
  VARTYPE vt;
  bool is_interface;  // IUnknown and IDispatch carry one star of their own
};

constexpr BasicType kBasicTypes[] = {
    {"short", VT_I2, false},        {"long", VT_I4, false},
    {"int", VT_INT, false},         {"unsigned long", VT_UI4, false},
    {"BSTR", VT_BSTR, false},       {"VARIANT_BOOL", VT_BOOL, false},
    {"VARIANT", VT_VARIANT, false}, {"SCODE", VT_ERROR, false},
    {"HRESULT", VT_HRESULT, false}, {"void", VT_VOID, false},
    {"IUnknown", VT_UNKNOWN, true}, {"IDispatch", VT_DISPATCH, true},
};

}  // namespace

bool ResolveTypeName(const QString& text, const std::vector<InterfaceType>& interfaces,
                     ResolvedType* out) {
  QString base = text.simplified();
  int stars = 0;
  while (base.endsWith(QLatin1Char('*'))) {
    ++stars;
    base.chop(1);
    base = base.trimmed();
  }
  for (const BasicType& type : kBasicTypes) {
    if (base != QLatin1String(type.name)) continue;
    if (type.is_interface && stars == 0) return false;  // an object, not a pointer to one
    out->vt = type.vt;
    out->iid = GUID_NULL;
    out->indirections = type.is_interface ? stars - 1 : stars;
    return true;
  }
  for (const InterfaceType& type : interfaces) {
    if (base != type.name || stars == 0) continue;
    out->vt = type.vt;
    out->iid = type.iid;
    out->indirections = stars - 1;
    return true;
  }
  return false;
}

QString TypeNames() {
  QStringList names;
  for (const BasicType& type : kBasicTypes) {
    if (type.vt == VT_HRESULT || type.vt == VT_VOID) continue;
    names << QLatin1String(type.name) + (type.is_interface ? QStringLiteral("*") : QString());
  }
  names << QStringLiteral("pointers to the library's interfaces");
  return names.join(QStringLiteral(", "));
}

}  // namespace parlotto::typelib
