#include "platform/typelib/elf_section.h"

#include <QtEndian>
#include <cstdint>

namespace parlotto::typelib {
namespace {

constexpr int kClass32 = 1;
constexpr int kClass64 = 2;
constexpr int kLittleEndian = 1;
constexpr std::uint32_t kNoBits = 8;              // SHT_NOBITS: takes no space in the file
constexpr std::uint64_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX
// Section header tables and name tables beyond this are not programs we made.
constexpr std::uint64_t kMaxTableBytes = std::uint64_t{16} << 20;

struct Section {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t link = 0;
};

class ElfReader {
 public:
  ElfReader(QIODevice* file, QString* problem) : file_(file), problem_(problem) {
    size_ = static_cast<std::uint64_t>(file->size());
  }

  ElfStatus Find(const QByteArray& name, std::size_t max_size, QByteArray* contents) {
    QByteArray header;
    if (!Read(0, 16, &header)) return Unreadable("the file is shorter than an ELF header");
    if (!IsElf(header)) return ElfStatus::kNotElf;
    int elf_class = static_cast<std::uint8_t>(header[4]);
    if (elf_class != kClass32 && elf_class != kClass64) return Unreadable("unknown ELF class");
    if (static_cast<std::uint8_t>(header[5]) != kLittleEndian) {
      return Unreadable("only little-endian ELF files are read");
    }
    wide_ = elf_class == kClass64;
    if (!Read(0, wide_ ? 64 : 52, &header)) return Unreadable("the ELF header is truncated");

    std::uint64_t table = wide_ ? U64(header, 0x28) : U32(header, 0x20);
    entry_size_ = U16(header, wide_ ? 0x3A : 0x2E);
    std::uint64_t count = U16(header, wide_ ? 0x3C : 0x30);
    std::uint64_t names_index = U16(header, wide_ ? 0x3E : 0x32);
    if (table == 0) return NoSection("the file has no section headers");
    if (entry_size_ < (wide_ ? 64u : 40u)) return Unreadable("section headers are too small");
    table_ = table;

    // Counts that do not fit the header are kept in section 0.
    if (count == 0 || names_index == kExtendedIndex) {
      Section first;
      if (!ReadFirstSection(&first)) return Unreadable("the section headers are truncated");
      if (count == 0) count = first.size;
      if (names_index == kExtendedIndex) names_index = first.link;
    }
    if (count > kMaxTableBytes / entry_size_) return Unreadable("too many sections");
    if (!Read(table_, count * entry_size_, &headers_)) {
      return Unreadable("the section headers lie beyond the end of the file");
    }
    if (names_index == 0) return NoSection("the sections have no names");
    if (names_index >= count) return Unreadable("the section name table is missing");

    Section names_section = Parse(names_index);
    if (names_section.type == kNoBits || names_section.size > kMaxTableBytes) {
      return Unreadable("the section name table is damaged");
    }
    QByteArray names;
    if (!Read(names_section.offset, names_section.size, &names)) {
      return Unreadable("the section name table lies beyond the end of the file");
    }
    for (std::uint64_t i = 0; i < count; ++i) {
      Section section = Parse(i);
      if (!NameIs(names, section.name, name)) continue;
      if (section.type == kNoBits)
        return Unreadable("section " + QString::fromLatin1(name) + " is empty");
      if (section.size > max_size) {
        *problem_ = QStringLiteral("section %1 has %2 bytes, more than the %3 allowed")
                        .arg(QString::fromLatin1(name))
                        .arg(section.size)
                        .arg(max_size);
        return ElfStatus::kTooLarge;
      }
      if (!Read(section.offset, section.size, contents)) {
        return Unreadable("section " + QString::fromLatin1(name) +
                          " lies beyond the end of the file");
      }
      return ElfStatus::kFound;
    }
    return NoSection("the file has no section " + QString::fromLatin1(name));
  }

 private:
  bool Read(std::uint64_t offset, std::uint64_t length, QByteArray* out) {
    if (offset > size_ || length > size_ - offset) return false;
    if (!file_->seek(static_cast<qint64>(offset))) return false;
    *out = file_->read(static_cast<qint64>(length));
    return static_cast<std::uint64_t>(out->size()) == length;
  }

  // Section 0 straight from the file, before the table has been read.
  bool ReadFirstSection(Section* out) {
    if (!Read(table_, entry_size_, &headers_)) return false;
    *out = Parse(0);
    return true;
  }

  // Header `index` of headers_; the caller has checked that it is there.
  Section Parse(std::uint64_t index) const {
    std::uint64_t at = index * entry_size_;
    Section section;
    section.name = U32(headers_, at);
    section.type = U32(headers_, at + 4);
    if (wide_) {
      section.offset = U64(headers_, at + 24);
      section.size = U64(headers_, at + 32);
      section.link = U32(headers_, at + 40);
    } else {
      section.offset = U32(headers_, at + 16);
      section.size = U32(headers_, at + 20);
      section.link = U32(headers_, at + 24);
    }
    return section;
  }

  static bool NameIs(const QByteArray& names, std::uint64_t at, const QByteArray& name) {
    std::uint64_t length = static_cast<std::uint64_t>(name.size());
    if (at >= static_cast<std::uint64_t>(names.size()) ||
        length >= static_cast<std::uint64_t>(names.size()) - at) {
      return false;
    }
    return names.mid(static_cast<qsizetype>(at), name.size()) == name &&
           names[static_cast<qsizetype>(at) + static_cast<qsizetype>(length)] == '\0';
  }

  static std::uint16_t U16(const QByteArray& data, std::uint64_t at) {
    return qFromLittleEndian<quint16>(data.constData() + at);
  }
  static std::uint32_t U32(const QByteArray& data, std::uint64_t at) {
    return qFromLittleEndian<quint32>(data.constData() + at);
  }
  static std::uint64_t U64(const QByteArray& data, std::uint64_t at) {
    return qFromLittleEndian<quint64>(data.constData() + at);
  }

  ElfStatus Unreadable(const QString& problem) {
    *problem_ = problem;
    return ElfStatus::kUnreadable;
  }
  ElfStatus NoSection(const QString& problem) {
    *problem_ = problem;
    return ElfStatus::kNoSection;
  }

  QIODevice* file_;
  QString* problem_;
  std::uint64_t size_ = 0;
  bool wide_ = false;
  std::uint64_t table_ = 0;
  std::uint64_t entry_size_ = 0;
  QByteArray headers_;
};

}  // namespace

bool IsElf(const QByteArray& head) {
  return head.startsWith(
      "\x7F"
      "ELF");
}

ElfStatus ReadElfSection(QIODevice* file, const QByteArray& name, std::size_t max_size,
                         QByteArray* contents, QString* problem) {
  return ElfReader(file, problem).Find(name, max_size, contents);
}

}  // namespace parlotto::typelib
