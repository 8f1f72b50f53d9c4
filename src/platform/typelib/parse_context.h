// Reading the fields of a description. Every reader names the place of a
// problem, so that a damaged description can be fixed from the diagnostic
// alone; the first problem decides the HRESULT.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

namespace parlotto::typelib {

class ParseContext {
 public:
  // Keeps the first problem. Returns false, for `return context->Reject(...)`.
  bool Reject(HRESULT hr, const QString& where, const QString& problem);

  bool failed() const { return FAILED(hr_); }
  HRESULT result() const { return hr_; }
  const QString& message() const { return message_; }

 private:
  HRESULT hr_ = S_OK;
  QString message_;
};

struct FlagName {
  const char* name;
  std::uint16_t value;
};

// Unknown keys are refused: a misspelt key would otherwise pass unnoticed.
bool CheckKeys(const QJsonObject& object, std::initializer_list<const char*> allowed,
               const QString& where, ParseContext* context);

bool ReadObject(const QJsonValue& value, const QString& where, ParseContext* context,
                QJsonObject* out);
// A missing optional array reads as empty.
bool ReadArray(const QJsonObject& object, const char* key, bool required, const QString& where,
               ParseContext* context, QJsonArray* out);
// A missing optional string reads as `fallback`.
bool ReadString(const QJsonObject& object, const char* key, bool required, const QString& where,
                ParseContext* context, QString* out, const QString& fallback = QString());
// A name usable in code and on the bus: a letter or '_', then letters,
// digits and '_'.
bool ReadName(const QJsonObject& object, const char* key, const QString& where,
              ParseContext* context, QString* out);
bool ReadGuid(const QJsonObject& object, const char* key, const QString& where,
              ParseContext* context, GUID* out);
// "major.minor" in decimal; a missing one reads as 0.0 when not required.
bool ReadVersion(const QJsonObject& object, bool required, const QString& where,
                 ParseContext* context, std::uint16_t* major, std::uint16_t* minor);
// An integer given as a JSON number or as a string ("0x60020000", "-4").
bool ReadInteger(const QJsonObject& object, const char* key, bool required, std::int64_t min,
                 std::int64_t max, const QString& where, ParseContext* context, std::int64_t* out);
// A list of flag names, or-ed together; each may appear once.
bool ReadFlags(const QJsonObject& object, std::span<const FlagName> names, const QString& where,
               ParseContext* context, std::uint16_t* out);

bool IsIdentifier(const QString& name);

}  // namespace parlotto::typelib
