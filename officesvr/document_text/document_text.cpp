#include "officesvr/document_text/document_text.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "officesvr/document_text/antiword_reader.h"
#include "officesvr/document_text/compound_file.h"
#include "officesvr/document_text/libreoffice_reader.h"
#include "officesvr/document_text/package_text.h"
#include "officesvr/document_text/plain_text_reader.h"
#include "platform/safe_open/safe_open.h"
#include "text_formats/rtf_reader.h"

namespace parlotto::office {
namespace {

bool EndsWith(const std::string& name, std::string_view ending) {
  if (name.size() < ending.size()) return false;
  for (std::size_t i = 0; i < ending.size(); ++i) {
    const char c = name[name.size() - ending.size() + i];
    if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != ending[i]) return false;
  }
  return true;
}

// Names that promise a zip package: their content is no text even when
// it decodes as such, so a file that is no zip is a broken one.
bool NamedAsPackage(const std::string& name) {
  for (std::string_view ending : {".docx", ".docm", ".dotx", ".dotm", ".odt", ".ott"}) {
    if (EndsWith(name, ending)) return true;
  }
  return false;
}

DocumentText FromCompoundFile(const std::string& file_name) {
  std::string error;
  const std::optional<std::vector<std::string>> names = CompoundFileNames(file_name, &error);
  if (!names) return {DocumentFailure::kDamaged, {}, "damaged compound file: " + error};
  const auto has = [&](std::string_view name) {
    return std::find(names->begin(), names->end(), name) != names->end();
  };
  // An XML package that was encrypted is kept in a compound file.
  if (has("EncryptedPackage")) {
    return {DocumentFailure::kPasswordProtected, {}, "the document is encrypted"};
  }
  if (has("WordDocument")) return ReadWordBinary(file_name);
  return ConvertWithLibreOffice(file_name);
}

DocumentText FromText(const std::string& file_name) {
  DocumentText text = ReadPlainOrRtf(file_name);
  // A binary file of some other kind: maybe LibreOffice knows it.
  if (text.failure == DocumentFailure::kDamaged && !EndsWith(file_name, ".txt")) {
    return ConvertWithLibreOffice(file_name);
  }
  return text;
}

}  // namespace

DocumentText ExtractDocumentText(const std::string& file_name) {
  // Asked without waiting: a FIFO would hold the worker, and the server, for ever.
  const int fd = OpenRegularFile(file_name);
  if (fd < 0) {
    return {DocumentFailure::kCannotOpen,
            {},
            errno == EINVAL ? "not a regular file" : "cannot open the file"};
  }
  std::string head(8, '\0');
  const ssize_t got = read(fd, head.data(), head.size());
  close(fd);
  head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  if (head.starts_with("PK\x03\x04") || head.starts_with("PK\x05\x06")) {
    DocumentText text = PackageFileToText(file_name);
    if (text.failure == DocumentFailure::kUnsupportedFormat)
      return ConvertWithLibreOffice(file_name);
    return text;
  }
  if (LooksLikeRtf(head)) return ReadPlainOrRtf(file_name);
  if (LooksLikeCompoundFile(head)) return FromCompoundFile(file_name);
  if (NamedAsPackage(file_name)) {
    return {DocumentFailure::kDamaged, {}, "named as a document package, but no zip archive"};
  }
  return FromText(file_name);
}

}  // namespace parlotto::office
