#include "platform/com/name_based_guid.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <cstdint>

namespace parlotto {
namespace {

// The GUID in network byte order, as the text form reads.
QByteArray Bytes(const GUID& guid) {
  QByteArray bytes(16, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(guid.Data1 >> (24 - 8 * i));
  bytes[4] = static_cast<char>(guid.Data2 >> 8);
  bytes[5] = static_cast<char>(guid.Data2);
  bytes[6] = static_cast<char>(guid.Data3 >> 8);
  bytes[7] = static_cast<char>(guid.Data3);
  for (int i = 0; i < 8; ++i) bytes[8 + i] = static_cast<char>(guid.Data4[i]);
  return bytes;
}

}  // namespace

GUID NameBasedGuid(const GUID& name_space, std::string_view name) {
  QCryptographicHash sha1(QCryptographicHash::Sha1);
  sha1.addData(Bytes(name_space));
  sha1.addData(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
  QByteArray hash = sha1.result();
  auto byte = [&](int i) { return static_cast<std::uint8_t>(hash[i]); };
  GUID guid;
  guid.Data1 = (std::uint32_t{byte(0)} << 24) | (std::uint32_t{byte(1)} << 16) |
               (std::uint32_t{byte(2)} << 8) | byte(3);
  guid.Data2 = static_cast<std::uint16_t>((byte(4) << 8) | byte(5));
  guid.Data3 = static_cast<std::uint16_t>((((byte(6) & 0x0F) | 0x50) << 8) | byte(7));
  guid.Data4[0] = static_cast<std::uint8_t>((byte(8) & 0x3F) | 0x80);
  for (int i = 1; i < 8; ++i) guid.Data4[i] = byte(8 + i);
  return guid;
}

}  // namespace parlotto
