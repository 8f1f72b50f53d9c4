#include "platform/typelib/parse_context.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>

namespace parlotto::typelib {
namespace {

QString Quoted(const char* key) { return QLatin1Char('"') + QLatin1String(key) + QLatin1Char('"'); }

}  // namespace

bool ParseContext::Reject(HRESULT hr, const QString& where, const QString& problem) {
  if (!failed()) {
    hr_ = hr;
    message_ = where.isEmpty() ? problem : where + QStringLiteral(": ") + problem;
  }
  return false;
}

bool CheckKeys(const QJsonObject& object, std::initializer_list<const char*> allowed,
               const QString& where, ParseContext* context) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool known = false;
    for (const char* key : allowed) known = known || it.key() == QLatin1String(key);
    if (!known) {
      return context->Reject(TYPE_E_UNSUPFORMAT, where,
                             QStringLiteral("unknown key \"%1\"").arg(it.key()));
    }
  }
  return true;
}

bool ReadObject(const QJsonValue& value, const QString& where, ParseContext* context,
                QJsonObject* out) {
  if (!value.isObject()) return context->Reject(TYPE_E_INVDATAREAD, where, "not a JSON object");
  *out = value.toObject();
  return true;
}

bool ReadArray(const QJsonObject& object, const char* key, bool required, const QString& where,
               ParseContext* context, QJsonArray* out) {
  QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined() && !required) {
    *out = QJsonArray();
    return true;
  }
  if (value.isUndefined()) {
    return context->Reject(TYPE_E_INVDATAREAD, where, Quoted(key) + " is missing");
  }
  if (!value.isArray()) {
    return context->Reject(TYPE_E_INVDATAREAD, where, Quoted(key) + " is not an array");
  }
  *out = value.toArray();
  return true;
}

bool ReadString(const QJsonObject& object, const char* key, bool required, const QString& where,
                ParseContext* context, QString* out, const QString& fallback) {
  QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined() && !required) {
    *out = fallback;
    return true;
  }
  if (value.isUndefined()) {
    return context->Reject(TYPE_E_INVDATAREAD, where, Quoted(key) + " is missing");
  }
  if (!value.isString()) {
    return context->Reject(TYPE_E_INVDATAREAD, where, Quoted(key) + " is not a string");
  }
  *out = value.toString();
  return true;
}

bool IsIdentifier(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
  return pattern.match(name).hasMatch();
}

bool ReadName(const QJsonObject& object, const char* key, const QString& where,
              ParseContext* context, QString* out) {
  if (!ReadString(object, key, true, where, context, out)) return false;
  if (!IsIdentifier(*out)) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           QStringLiteral("\"%1\" is not a valid name").arg(*out));
  }
  return true;
}

bool ReadGuid(const QJsonObject& object, const char* key, const QString& where,
              ParseContext* context, GUID* out) {
  QString text;
  if (!ReadString(object, key, true, where, context, &text)) return false;
  if (!GuidFromString(text.toStdString(), out)) {
    return context->Reject(TYPE_E_INVDATAREAD, where,
                           Quoted(key) + QStringLiteral(" \"%1\" is not a GUID").arg(text));
  }
  return true;
}

bool ReadVersion(const QJsonObject& object, bool required, const QString& where,
                 ParseContext* context, std::uint16_t* major, std::uint16_t* minor) {
  QString text;
  if (!ReadString(object, "version", required, where, context, &text, QStringLiteral("0.0"))) {
    return false;
  }
  static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})\\.([0-9]{1,5})$"));
  QRegularExpressionMatch match = pattern.match(text);
  unsigned parsed_major = match.hasMatch() ? match.captured(1).toUInt() : 0x10000;
  unsigned parsed_minor = match.hasMatch() ? match.captured(2).toUInt() : 0x10000;
  if (parsed_major > 0xFFFF || parsed_minor > 0xFFFF) {
    return context->Reject(
        TYPE_E_INVDATAREAD, where,
        QStringLiteral("version \"%1\" is not \"major.minor\" with numbers up to 65535").arg(text));
  }
  *major = static_cast<std::uint16_t>(parsed_major);
  *minor = static_cast<std::uint16_t>(parsed_minor);
  return true;
}

bool ReadInteger(const QJsonObject& object, const char* key, bool required, std::int64_t min,
                 std::int64_t max, const QString& where, ParseContext* context, std::int64_t* out) {
  QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined()) {
    if (required) return context->Reject(TYPE_E_INVDATAREAD, where, Quoted(key) + " is missing");
    return true;
  }
  bool ok = false;
  std::int64_t number = 0;
  if (value.isDouble()) {
    double real = value.toDouble();
    // Beyond 2^53 a double no longer holds every integer; no field needs that.
    ok = std::isfinite(real) && std::trunc(real) == real && std::fabs(real) <= 9007199254740992.0;
    if (ok) number = static_cast<std::int64_t>(real);
  } else if (value.isString()) {
    QString text = value.toString().trimmed();
    bool negative = text.startsWith(QLatin1Char('-'));
    if (negative) text.remove(0, 1);
    // Decimal or 0x hex; C's leading-zero octal would turn "010" into 8.
    bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    qulonglong magnitude = text.mid(hex ? 2 : 0).toULongLong(&ok, hex ? 16 : 10);
    ok = ok && magnitude <= (qulonglong{1} << 53);
    if (ok)
      number =
          negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  }
  if (!ok || number < min || number > max) {
    return context->Reject(
        TYPE_E_INVDATAREAD, where,
        Quoted(key) + QStringLiteral(" is not an integer from %1 to %2").arg(min).arg(max));
  }
  *out = number;
  return true;
}

bool ReadFlags(const QJsonObject& object, std::span<const FlagName> names, const QString& where,
               ParseContext* context, std::uint16_t* out) {
  QJsonArray list;
  if (!ReadArray(object, "flags", false, where, context, &list)) return false;
  std::uint16_t flags = 0;
  QStringList seen;
  for (const QJsonValue entry : list) {
    if (!entry.isString()) {
      return context->Reject(TYPE_E_INVDATAREAD, where, "a flag is not a string");
    }
    QString name = entry.toString();
    const FlagName* found = nullptr;
    for (const FlagName& candidate : names) {
      if (name == QLatin1String(candidate.name)) found = &candidate;
    }
    if (found == nullptr) {
      QStringList allowed;
      for (const FlagName& candidate : names) allowed << QLatin1String(candidate.name);
      return context->Reject(
          TYPE_E_UNSUPFORMAT, where,
          QStringLiteral("unknown flag \"%1\" (allowed here: %2)")
              .arg(name, allowed.isEmpty() ? QStringLiteral("none")
                                           : allowed.join(QStringLiteral(", "))));
    }
    if (seen.contains(name)) {
      return context->Reject(TYPE_E_INVDATAREAD, where,
                             QStringLiteral("flag \"%1\" is given twice").arg(name));
    }
    seen << name;
    flags |= found->value;
  }
  *out = flags;
  return true;
}

}  // namespace parlotto::typelib
