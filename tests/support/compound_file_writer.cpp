#include "support/compound_file_writer.h"

#include <QString>
#include <algorithm>
#include <cstdint>

namespace parlotto::testing {
namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string DirectoryEntry(const std::u16string& name, int type, std::uint32_t right,
                           std::uint32_t child, std::uint32_t start, std::uint32_t size) {
  std::string entry(128, '\0');
  for (std::size_t i = 0; i < name.size() && i < 31; ++i) Put16(entry, 2 * i, name[i]);
  Put16(entry, 0x40, static_cast<std::uint16_t>(2 * (std::min<std::size_t>(name.size(), 31) + 1)));
  entry[0x42] = static_cast<char>(type);
  entry[0x43] = 1;  // black
  Put32(entry, 0x44, kNoStream);
  Put32(entry, 0x48, right);
  Put32(entry, 0x4C, child);
  Put32(entry, 0x74, start);
  Put32(entry, 0x78, size);
  return entry;
}

// The directory's order: shorter names first, then by upper case.
bool DirectoryLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return QString::fromStdU16String(a).toUpper() < QString::fromStdU16String(b).toUpper();
}

}  // namespace

std::string CompoundFileBytes(const std::vector<CompoundStream>& input) {
  std::vector<CompoundStream> streams = input;
  std::sort(streams.begin(), streams.end(), [](const auto& a, const auto& b) {
    return DirectoryLess(QString::fromStdString(a.name).toStdU16String(),
                         QString::fromStdString(b.name).toStdU16String());
  });
  std::string data;
  std::vector<std::uint32_t> fat;
  std::vector<std::uint32_t> starts;
  std::vector<std::uint32_t> sizes;
  for (CompoundStream& stream : streams) {
    sizes.push_back(static_cast<std::uint32_t>(std::max<std::size_t>(stream.bytes.size(), 4096)));
    stream.bytes.resize((sizes.back() + kSector - 1) / kSector * kSector, '\0');
    starts.push_back(static_cast<std::uint32_t>(fat.size()));
    const std::size_t count = stream.bytes.size() / kSector;
    for (std::size_t i = 1; i <= count; ++i) {
      fat.push_back(i == count ? kEndOfChain : static_cast<std::uint32_t>(fat.size() + 1));
    }
    data += stream.bytes;
  }
  // The root, then the streams as a chain of right siblings in order.
  std::string directory =
      DirectoryEntry(u"Root Entry", 5, kNoStream, streams.empty() ? kNoStream : 1, kEndOfChain, 0);
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const auto right = i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kNoStream;
    directory += DirectoryEntry(QString::fromStdString(streams[i].name).toStdU16String(), 2, right,
                                kNoStream, starts[i], sizes[i]);
  }
  directory.resize((directory.size() + kSector - 1) / kSector * kSector, '\0');
  const auto directory_start = static_cast<std::uint32_t>(fat.size());
  for (std::size_t i = 1, n = directory.size() / kSector; i <= n; ++i) {
    fat.push_back(i == n ? kEndOfChain : static_cast<std::uint32_t>(fat.size() + 1));
  }
  std::size_t fat_sectors = 1;
  while (fat_sectors * (kSector / 4) < fat.size() + fat_sectors) ++fat_sectors;
  const auto fat_start = static_cast<std::uint32_t>(fat.size());
  fat.insert(fat.end(), fat_sectors, kFatSector);
  fat.resize(fat_sectors * (kSector / 4), kFree);

  std::string header(kSector, '\0');
  header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  Put16(header, 0x18, 0x3E);
  Put16(header, 0x1A, 3);
  Put16(header, 0x1C, 0xFFFE);
  Put16(header, 0x1E, 9);
  Put16(header, 0x20, 6);
  Put32(header, 0x2C, static_cast<std::uint32_t>(fat_sectors));
  Put32(header, 0x30, directory_start);
  Put32(header, 0x38, 4096);
  Put32(header, 0x3C, kEndOfChain);
  Put32(header, 0x44, kEndOfChain);
  for (std::size_t i = 0; i < 109; ++i) {
    Put32(header, 0x4C + 4 * i,
          i < fat_sectors ? fat_start + static_cast<std::uint32_t>(i) : kFree);
  }
  std::string fat_bytes(fat.size() * 4, '\0');
  for (std::size_t i = 0; i < fat.size(); ++i) Put32(fat_bytes, 4 * i, fat[i]);
  return header + data + directory + fat_bytes;
}

std::string WordBinaryBytes(const std::string& utf8_text, const WordBinaryOptions& options) {
  constexpr std::uint32_t kTextAt = 0x800;
  const std::u16string text = QString::fromStdString(utf8_text).toStdU16String();
  std::string text_bytes;
  if (options.eight_bit) {
    const QByteArray latin = QString::fromStdU16String(text).toLatin1();
    text_bytes.assign(latin.constData(), static_cast<std::size_t>(latin.size()));
  } else {
    text_bytes.resize(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) Put16(text_bytes, 2 * i, text[i]);
  }
  const auto characters = static_cast<std::uint32_t>(text.size());

  std::string fib(kTextAt, '\0');
  Put16(fib, 0x00, 0xA5EC);  // Word's signature
  Put16(fib, 0x02, 0x00C1);  // Word 97
  Put16(fib, 0x06, 0x0407);
  // 1Table holds the piece table; the encrypted flag tells readers to stop.
  Put16(fib, 0x0A, static_cast<std::uint16_t>(0x0200 | (options.encrypted ? 0x0100 : 0)));
  Put16(fib, 0x0C, 0x00BF);
  Put32(fib, 0x18, kTextAt);
  Put32(fib, 0x1C, kTextAt + static_cast<std::uint32_t>(text_bytes.size()));
  Put16(fib, 0x20, 14);
  Put16(fib, 0x3E, 22);
  Put32(fib, 0x40, kTextAt + static_cast<std::uint32_t>(text_bytes.size()));
  Put32(fib, 0x4C, characters);
  Put16(fib, 0x98, 0x5D);

  // The piece table: a Pcdt with the character positions 0 and n, then one
  // piece descriptor; 8-bit text is marked in the file offset's bit 30 and
  // addressed at twice its offset.
  std::string plc(4 * 2 + 8, '\0');
  Put32(plc, 0, 0);
  Put32(plc, 4, characters);
  Put32(plc, 10, options.eight_bit ? (kTextAt * 2) | 0x40000000 : kTextAt);
  std::string clx = std::string(1, '\x02') + std::string(4, '\0') + plc;
  Put32(clx, 1, static_cast<std::uint32_t>(plc.size()));
  Put32(fib, 0x1A2, 0);
  Put32(fib, 0x1A6, static_cast<std::uint32_t>(clx.size()));

  // A style sheet without styles: readers take its header for granted.
  std::string styles(20, '\0');
  Put16(styles, 0, 18);
  Put16(styles, 4, 10);
  Put32(fib, 0xA2, static_cast<std::uint32_t>(clx.size()));
  Put32(fib, 0xA6, static_cast<std::uint32_t>(styles.size()));

  return CompoundFileBytes({{"WordDocument", fib + text_bytes}, {"1Table", clx + styles}});
}

}  // namespace parlotto::testing
