// Small ELF images made in memory: a null section, the section name table
// and one section with contents, with the offsets of the fields that tests
// damage.
#pragma once

#include <QByteArray>
#include <QtEndian>
#include <cstdint>

namespace parlotto::typelib_test {

struct ElfImage {
  QByteArray bytes;
  bool wide = true;
  int table = 0;  // offset of the section headers

  // Header fields and fields of section header `index`, by ELF class.
  int Header(int at64, int at32) const { return wide ? at64 : at32; }
  int Section(int index, int at64, int at32) const {
    return table + index * (wide ? 64 : 40) + (wide ? at64 : at32);
  }
  void Put16(int at, std::uint16_t v) { qToLittleEndian<quint16>(v, bytes.data() + at); }
  void Put32(int at, std::uint32_t v) { qToLittleEndian<quint32>(v, bytes.data() + at); }
  // An address-sized field: 64 bits in ELF64, 32 in ELF32.
  void PutWord(int at, std::uint64_t v) {
    if (wide) {
      qToLittleEndian<quint64>(v, bytes.data() + at);
    } else {
      Put32(at, static_cast<std::uint32_t>(v));
    }
  }
};

// Section 1 is the name table, section 2 `name` with `contents`.
inline ElfImage BuildElf(bool wide, const QByteArray& name, const QByteArray& contents) {
  ElfImage image;
  image.wide = wide;
  QByteArray names = QByteArray(1, '\0') + ".shstrtab" + '\0' + name + '\0';
  int contents_at = wide ? 64 : 52;
  int names_at = contents_at + static_cast<int>(contents.size());
  image.table = names_at + static_cast<int>(names.size());
  image.bytes = QByteArray(image.Section(3, 0, 0), '\0');
  image.bytes.replace(contents_at, contents.size(), contents);
  image.bytes.replace(names_at, names.size(), names);
  image.bytes.replace(0, 7,
                      QByteArray("\x7F"
                                 "ELF") +
                          char(wide ? 2 : 1) + char(1) + char(1));
  image.PutWord(image.Header(0x28, 0x20), static_cast<std::uint64_t>(image.table));
  image.Put16(image.Header(0x3A, 0x2E), wide ? 64 : 40);
  image.Put16(image.Header(0x3C, 0x30), 3);
  image.Put16(image.Header(0x3E, 0x32), 1);
  const int kOffset[] = {names_at, contents_at};
  const qsizetype kSize[] = {names.size(), contents.size()};
  for (int i = 1; i <= 2; ++i) {
    image.Put32(image.Section(i, 0, 0), i == 1 ? 1 : 11);  // after "\0.shstrtab\0"
    image.Put32(image.Section(i, 4, 4), i == 1 ? 3 : 1);   // string table, data
    image.PutWord(image.Section(i, 24, 16), static_cast<std::uint64_t>(kOffset[i - 1]));
    image.PutWord(image.Section(i, 32, 20), static_cast<std::uint64_t>(kSize[i - 1]));
  }
  return image;
}

}  // namespace parlotto::typelib_test
