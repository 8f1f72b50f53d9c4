#include "platform/registry/reg_value.h"

#include <QByteArrayView>
#include <QString>

namespace parlotto {

const char* RegTypeName(RegType type) {
  switch (type) {
    case RegType::kNone:
      return "REG_NONE";
    case RegType::kSz:
      return "REG_SZ";
    case RegType::kExpandSz:
      return "REG_EXPAND_SZ";
    case RegType::kBinary:
      return "REG_BINARY";
    case RegType::kDword:
      return "REG_DWORD";
    case RegType::kMultiSz:
      return "REG_MULTI_SZ";
    case RegType::kQword:
      return "REG_QWORD";
  }
  return "REG_UNKNOWN";
}

RegValue NormalizedValue(const RegValue& value) {
  RegValue result;
  result.type = value.type;
  switch (value.type) {
    case RegType::kSz:
    case RegType::kExpandSz:
      result.text = value.text;
      break;
    case RegType::kDword:
      result.dword = value.dword;
      break;
    default:
      result.data = value.data;
      break;
  }
  return result;
}

bool SameValue(const RegValue& a, const RegValue& b) {
  RegValue x = NormalizedValue(a);
  RegValue y = NormalizedValue(b);
  return x.type == y.type && x.text == y.text && x.dword == y.dword && x.data == y.data;
}

std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text) {
  QString s = QString::fromUtf8(QByteArrayView(text.data(), text.size()));
  std::vector<std::uint8_t> bytes;
  bytes.reserve((s.size() + 1) * 2);
  for (QChar c : s) {
    bytes.push_back(static_cast<std::uint8_t>(c.unicode() & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(c.unicode() >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

bool Utf16LeToUtf8(const std::vector<std::uint8_t>& bytes, std::string* text) {
  if (bytes.size() % 2 != 0) return false;
  std::size_t size = bytes.size();
  if (size >= 2 && bytes[size - 2] == 0 && bytes[size - 1] == 0) size -= 2;
  *text = Utf16LeBytesToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), size));
  return true;
}

std::string Utf16LeBytesToUtf8(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  QByteArray utf8 = QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toUtf8();
  return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

}  // namespace parlotto
