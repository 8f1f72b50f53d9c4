#include "platform/typelib/member_parser.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <limits>

namespace parlotto::typelib {
namespace {

constexpr FlagName kMemberFlags[] = {
    {"hidden", FUNCFLAG_FHIDDEN},
    {"restricted", FUNCFLAG_FRESTRICTED},
};

constexpr FlagName kParamFlags[] = {
    {"in", PARAMFLAG_FIN},
    {"out", PARAMFLAG_FOUT},
    {"retval", PARAMFLAG_FRETVAL},
    {"optional", PARAMFLAG_FOPT},
};

struct KindName {
  const char* name;
  INVOKEKIND kind;
};

constexpr KindName kKinds[] = {
    {"method", INVOKE_FUNC},
    {"propget", INVOKE_PROPERTYGET},
    {"propput", INVOKE_PROPERTYPUT},
    {"propputref", INVOKE_PROPERTYPUTREF},
};

bool IsInterfaceType(VARTYPE vt) { return vt == VT_UNKNOWN || vt == VT_DISPATCH; }

bool ReadType(const QJsonObject& object, const char* key, bool required, const QString& where,
              const MemberScope& scope, ParseContext* context, ResolvedType* out) {
  QString text;
  if (!ReadString(object, key, required, where, context, &text, QStringLiteral("HRESULT"))) {
    return false;
  }
  if (!ResolveTypeName(text, *scope.interfaces, out)) {
    return context->Reject(
        TYPE_E_UNSUPFORMAT, where,
        QStringLiteral("unknown type \"%1\" (known: %2)").arg(text, TypeNames()));
  }
  return true;
}

// The default value as the parameter's type, so that Invoke hands it over
// exactly as if the caller had passed it.
bool ReadDefault(const QJsonValue& value, const PARAMDESC& param, const QString& where,
                 ParseContext* context, VARIANT* out) {
  VARIANT given;
  if (value.isBool()) {
    given = VARIANT::Bool(value.toBool());
  } else if (value.isString()) {
    given = VARIANT::Bstr(value.toString());
  } else if (value.isDouble()) {
    double real = value.toDouble();
    if (real != static_cast<double>(static_cast<std::int64_t>(real)) ||
        real < std::numeric_limits<std::int32_t>::min() ||
        real > std::numeric_limits<std::uint32_t>::max()) {
      return context->Reject(TYPE_E_INVDATAREAD, where,
                             "a default number must be a 32-bit integer");
    }
    if (real > std::numeric_limits<std::int32_t>::max()) {
      given.vt = VT_UI4;
      given.lVal = static_cast<std::int32_t>(static_cast<std::uint32_t>(real));
    } else {
      given = VARIANT::I4(static_cast<std::int32_t>(real));
    }
  } else {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           "a default must be a number, a string or true/false");
  }
  if (IsInterfaceType(param.vt) || param.vt == VT_ERROR) {
    return context->Reject(TYPE_E_UNSUPFORMAT, where, "this type cannot have a default");
  }
  if (FAILED(VariantChangeType(out, given, param.vt))) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           "the default does not fit the parameter's type");
  }
  return true;
}

bool ParseParam(const QJsonValue& value, const MemberScope& scope, const QString& member_where,
                int position, ParseContext* context, PARAMDESC* out) {
  QString where = member_where + QStringLiteral(", parameter %1").arg(position + 1);
  QJsonObject object;
  if (!ReadObject(value, where, context, &object)) return false;
  if (!CheckKeys(object, {"name", "type", "flags", "default"}, where, context)) return false;
  if (!ReadName(object, "name", where, context, &out->name)) return false;
  where = member_where + QStringLiteral(", parameter '%1'").arg(out->name);

  ResolvedType type;
  if (!ReadType(object, "type", true, where, scope, context, &type)) return false;
  if (type.vt == VT_VOID || type.vt == VT_HRESULT) {
    return context->Reject(TYPE_E_UNSUPFORMAT, where,
                           "void and HRESULT are return types only (use SCODE for error codes)");
  }
  std::uint16_t flags = 0;
  if (!ReadFlags(object, kParamFlags, where, context, &flags)) return false;
  if ((flags & (PARAMFLAG_FIN | PARAMFLAG_FOUT)) == 0) flags |= PARAMFLAG_FIN;
  bool is_out = (flags & PARAMFLAG_FOUT) != 0;
  if ((flags & PARAMFLAG_FRETVAL) && !is_out) {
    return context->Reject(TYPE_E_INVDATAREAD, where, "a retval parameter must be out");
  }
  if ((flags & PARAMFLAG_FRETVAL) && (flags & (PARAMFLAG_FIN | PARAMFLAG_FOPT))) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           "a retval parameter is neither in nor optional");
  }
  // Out parameters are written as the pointer that receives the value.
  if (type.indirections != (is_out ? 1 : 0)) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           is_out ? QStringLiteral("an out parameter must be a pointer (\"long*\")")
                                  : QStringLiteral("only out parameters are pointers"));
  }
  out->vt = type.vt;
  out->iid = type.iid;

  QJsonValue default_value = object.value(QLatin1String("default"));
  if (!default_value.isUndefined()) {
    if (is_out)
      return context->Reject(TYPE_E_INVDATAREAD, where, "an out parameter has no default");
    if (!ReadDefault(default_value, *out, where, context, &out->default_value)) return false;
    flags |= PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;
  }
  out->flags = flags;
  return true;
}

// The rules that make a member callable through Invoke: the result, the
// order of optional parameters and the shape of properties.
bool CheckMemberShape(const FUNCDESC& func, const MemberScope& scope, const QString& where,
                      ParseContext* context) {
  bool has_retval = false;
  bool optional_seen = false;
  QSet<QString> names;
  for (std::size_t i = 0; i < func.params.size(); ++i) {
    const PARAMDESC& param = func.params[i];
    QString key = param.name.toLower();
    if (names.contains(key)) {
      return context->Reject(TYPE_E_INVDATAREAD, where,
                             QStringLiteral("two parameters are named '%1'").arg(param.name));
    }
    names.insert(key);
    if (param.flags & PARAMFLAG_FRETVAL) {
      if (i + 1 != func.params.size()) {
        return context->Reject(TYPE_E_INVDATAREAD, where, "the retval parameter must be the last");
      }
      has_retval = true;
      continue;
    }
    // Callers leave out trailing arguments only, so an optional parameter
    // cannot be followed by a required one.
    if (param.flags & PARAMFLAG_FOPT) {
      optional_seen = true;
    } else if (optional_seen) {
      return context->Reject(
          TYPE_E_INVDATAREAD, where,
          QStringLiteral("required parameter '%1' follows an optional one").arg(param.name));
    }
  }
  bool returns_value = func.return_vt != VT_HRESULT && func.return_vt != VT_VOID;
  if (has_retval && returns_value) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           "a member with a retval parameter returns HRESULT");
  }
  if (has_retval && func.return_vt != VT_HRESULT && !scope.dispinterface) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           "a member with a retval parameter returns HRESULT");
  }
  switch (func.invkind) {
    case INVOKE_FUNC:
      break;
    case INVOKE_PROPERTYGET:
      if (!has_retval && !returns_value) {
        return context->Reject(TYPE_E_INVDATAREAD, where,
                               "a propget needs an out, retval parameter for its value");
      }
      break;
    case INVOKE_PROPERTYPUT:
    case INVOKE_PROPERTYPUTREF: {
      if (has_retval || returns_value) {
        return context->Reject(TYPE_E_INVDATAREAD, where, "a property put returns nothing");
      }
      if (func.params.empty()) {
        return context->Reject(TYPE_E_INVDATAREAD, where, "a property put needs a value parameter");
      }
      const PARAMDESC& value = func.params.back();
      if (value.flags != PARAMFLAG_FIN) {
        return context->Reject(
            TYPE_E_INVDATAREAD, where,
            "the value of a property put is the last parameter, in and required");
      }
      if (func.invkind == INVOKE_PROPERTYPUTREF && !IsInterfaceType(value.vt) &&
          value.vt != VT_VARIANT) {
        return context->Reject(TYPE_E_INVDATAREAD, where,
                               "a propputref takes an interface pointer or a VARIANT");
      }
      break;
    }
  }
  return true;
}

}  // namespace

bool ParseMember(const QJsonValue& value, const MemberScope& scope, ParseContext* context,
                 FUNCDESC* out) {
  QString where = scope.where + QStringLiteral(", a member");
  QJsonObject object;
  if (!ReadObject(value, where, context, &object)) return false;
  if (!CheckKeys(object, {"name", "id", "kind", "params", "returns", "help", "flags"}, where,
                 context)) {
    return false;
  }
  if (!ReadName(object, "name", where, context, &out->name)) return false;
  where = scope.where + QStringLiteral(", member '%1'").arg(out->name);

  std::int64_t id = 0;
  if (!ReadInteger(object, "id", true, std::numeric_limits<std::int32_t>::min(),
                   std::numeric_limits<std::int32_t>::max(), where, context, &id)) {
    return false;
  }
  if (id == MEMBERID_NIL) {
    return context->Reject(TYPE_E_INVDATAREAD, where, "id -1 means \"no member\"");
  }
  out->memid = static_cast<MEMBERID>(id);

  QString kind;
  if (!ReadString(object, "kind", false, where, context, &kind, QStringLiteral("method"))) {
    return false;
  }
  const KindName* found = nullptr;
  for (const KindName& candidate : kKinds) {
    if (kind == QLatin1String(candidate.name)) found = &candidate;
  }
  if (found == nullptr) {
    return context->Reject(
        TYPE_E_UNSUPFORMAT, where,
        QStringLiteral("unknown kind \"%1\" (method, propget, propput, propputref)").arg(kind));
  }
  out->invkind = found->kind;

  ResolvedType result;
  if (!ReadType(object, "returns", false, where, scope, context, &result)) return false;
  if (result.indirections != 0) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           "a result is returned by value; use an out, retval parameter");
  }
  if (result.vt != VT_HRESULT && !(result.vt == VT_VOID && !scope.automation) &&
      !scope.dispinterface) {
    return context->Reject(TYPE_E_UNSUPFORMAT, where,
                           scope.automation
                               ? QStringLiteral("members of this interface return HRESULT")
                               : QStringLiteral("interface members return HRESULT or void; "
                                                "results go to an out, retval parameter"));
  }
  out->return_vt = result.vt;

  if (!ReadString(object, "help", false, where, context, &out->help_string)) return false;
  if (!ReadFlags(object, kMemberFlags, where, context, &out->flags)) return false;

  QJsonArray params;
  if (!ReadArray(object, "params", false, where, context, &params)) return false;
  out->params.clear();
  for (int i = 0; i < params.size(); ++i) {
    PARAMDESC param;
    if (!ParseParam(params[i], scope, where, i, context, &param)) return false;
    out->params.push_back(std::move(param));
  }
  return CheckMemberShape(*out, scope, where, context);
}

}  // namespace parlotto::typelib
