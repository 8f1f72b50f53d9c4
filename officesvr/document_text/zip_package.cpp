#include "officesvr/document_text/zip_package.h"

#include <zip.h>

#include <algorithm>

namespace parlotto::office {
namespace {

struct EntryCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

std::string ZipErrorText(zip_error_t* error) {
  return zip_error_code_zip(error) == ZIP_ER_NOZIP ? "no zip archive, or one cut short"
                                                   : zip_error_strerror(error);
}

ZipPackage::Entry Failed(DocumentFailure failure, std::string detail) {
  return {failure, {}, std::move(detail)};
}

}  // namespace

std::unique_ptr<ZipPackage> ZipPackage::OpenFile(const std::string& file_name,
                                                 const DocumentLimits& limits, std::string* error) {
  int code = 0;
  zip_t* archive = zip_open(file_name.c_str(), ZIP_RDONLY, &code);
  if (archive == nullptr) {
    zip_error_t zip_error;
    zip_error_init_with_code(&zip_error, code);
    *error = ZipErrorText(&zip_error);
    zip_error_fini(&zip_error);
    return nullptr;
  }
  return std::unique_ptr<ZipPackage>(new ZipPackage(archive, limits));
}

std::unique_ptr<ZipPackage> ZipPackage::OpenBytes(std::string_view bytes,
                                                  const DocumentLimits& limits,
                                                  std::string* error) {
  zip_error_t zip_error;
  zip_error_init(&zip_error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zip_error);
  zip_t* archive = nullptr;
  if (source != nullptr) {
    archive = zip_open_from_source(source, ZIP_RDONLY, &zip_error);
    if (archive == nullptr) zip_source_free(source);
  }
  if (archive == nullptr) *error = ZipErrorText(&zip_error);
  zip_error_fini(&zip_error);
  if (archive == nullptr) return nullptr;
  return std::unique_ptr<ZipPackage>(new ZipPackage(archive, limits));
}

ZipPackage::~ZipPackage() { zip_discard(archive_); }

bool ZipPackage::Has(const char* name) const { return zip_name_locate(archive_, name, 0) >= 0; }

ZipPackage::Entry ZipPackage::Read(const char* name) {
  const zip_int64_t index = zip_name_locate(archive_, name, 0);
  zip_stat_t stat;
  if (index < 0 || zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
    return Failed(DocumentFailure::kDamaged, std::string(name) + " is missing");
  }
  const std::unique_ptr<zip_file_t, EntryCloser> file(
      zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0));
  if (!file)
    return Failed(DocumentFailure::kDamaged, std::string(name) + ": " + zip_strerror(archive_));

  const std::uint64_t compressed = (stat.valid & ZIP_STAT_COMP_SIZE) != 0 ? stat.comp_size : 0;
  const std::uint64_t ratio_bound = compressed * limits_.max_ratio + limits_.ratio_allowance;
  Entry entry;
  constexpr std::size_t kChunk = std::size_t{64} << 10;
  for (;;) {
    const std::size_t used = entry.bytes.size();
    entry.bytes.resize(used + kChunk);
    const zip_int64_t got = zip_fread(file.get(), entry.bytes.data() + used, kChunk);
    if (got < 0) {
      return Failed(DocumentFailure::kDamaged,
                    std::string(name) + " is damaged: " + zip_file_strerror(file.get()));
    }
    entry.bytes.resize(used + static_cast<std::size_t>(got));
    if (got == 0) break;
    total_read_ += static_cast<std::uint64_t>(got);
    if (entry.bytes.size() > limits_.max_entry || total_read_ > limits_.max_package) {
      return Failed(DocumentFailure::kTooLarge, std::string(name) + " inflates beyond the limit");
    }
    if (entry.bytes.size() > ratio_bound) {
      return Failed(DocumentFailure::kDamaged,
                    std::string(name) + " inflates far more than any document does");
    }
  }
  return entry;
}

}  // namespace parlotto::office
