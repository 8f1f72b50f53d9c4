// Arbitrary bytes for the readers of Word XML packages and OpenDocument
// texts: they must stay in bounds, finish in time linear in the input and
// give well-formed UTF-8, or a failure with no text. Zip archives hide
// their members' bytes behind checksums, so most inputs are wrapped into
// a package here: the first byte chooses the member the rest becomes.
// One choice gives the bytes to the reader of compound files' directories
// instead, which sees every legacy Office file.
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "officesvr/document_text/compound_file.h"
#include "officesvr/document_text/package_text.h"
#include "text_formats/text_decoder.h"

namespace {

const char* kFootnotesBody =
    R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)"
    R"(<w:p><w:r><w:footnoteReference w:id="1"/><w:footnoteReference w:id="2"/></w:r></w:p>)"
    R"(</w:body></w:document>)";

// A package of the members, built in memory.
std::string Package(std::initializer_list<std::pair<const char*, std::string_view>> members) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(buffer);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (archive == nullptr) std::abort();
  for (const auto& [name, bytes] : members) {
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (zip_file_add(archive, name, source, 0) < 0) std::abort();
  }
  if (zip_close(archive) != 0) std::abort();
  std::string bytes;
  zip_stat_t stat;
  if (zip_source_stat(buffer, &stat) == 0 && zip_source_open(buffer) == 0) {
    bytes.resize(stat.size);
    bytes.resize(static_cast<std::size_t>(zip_source_read(buffer, bytes.data(), stat.size)));
    zip_source_close(buffer);
  }
  zip_source_free(buffer);
  zip_error_fini(&error);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string package;
  switch (data[0] % 5) {
    case 0:
      package = Package({{"word/document.xml", rest}});
      break;
    case 1:
      package = Package({{"word/document.xml", kFootnotesBody}, {"word/footnotes.xml", rest}});
      break;
    case 2:
      package =
          Package({{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", rest}});
      break;
    case 3:
      package.assign(rest);
      break;
    default: {
      std::string error;
      const auto names = parlotto::office::CompoundFileNamesOfBytes(rest, &error);
      if (!names && error.empty()) std::abort();
      return 0;
    }
  }
  parlotto::office::DocumentLimits limits;
  limits.max_text = std::size_t{1} << 20;
  limits.max_entry = std::size_t{8} << 20;
  limits.max_table_depth = 8;
  const parlotto::office::DocumentText text = parlotto::office::PackageBytesToText(package, limits);
  if (text.failure != parlotto::office::DocumentFailure::kNone && !text.text.empty()) std::abort();
  if (!parlotto::IsValidUtf8(text.text)) std::abort();
  return 0;
}
