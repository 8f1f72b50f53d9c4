// Finds one named section of an ELF file (32- or 64-bit, little-endian).
// Every offset and size taken from the file is checked against the file's
// size before it is used, so a damaged or truncated file fails cleanly.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstddef>

namespace parlotto::typelib {

enum class ElfStatus {
  kFound,
  kNotElf,
  kNoSection,
  kUnreadable,  // damaged, truncated, or of a kind this reader does not know
  kTooLarge,    // the section is larger than the caller allows
};

bool IsElf(const QByteArray& head);

// Reads the contents of the first section called `name` from `file`, which
// must be open and seekable. `problem` says what went wrong otherwise.
ElfStatus ReadElfSection(QIODevice* file, const QByteArray& name, std::size_t max_size,
                         QByteArray* contents, QString* problem);

}  // namespace parlotto::typelib
