// Reads one member of an interface with its parameters.
#pragma once

#include <QJsonValue>
#include <QString>
#include <vector>

#include "platform/com/typeinfo.h"
#include "platform/typelib/parse_context.h"
#include "platform/typelib/type_name.h"

namespace parlotto::typelib {

struct MemberScope {
  QString where;  // "interface 'ICalculator'"
  bool dispinterface = false;
  // Dual and oleautomation interfaces: every member returns HRESULT.
  bool automation = false;
  const std::vector<InterfaceType>* interfaces = nullptr;
};

// Fills everything but vtable_index.
bool ParseMember(const QJsonValue& value, const MemberScope& scope, ParseContext* context,
                 FUNCDESC* out);

}  // namespace parlotto::typelib
