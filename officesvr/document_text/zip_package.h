// The members of a zip package (Word's XML documents, OpenDocument), read
// with limits that hold while they inflate: a member's header may claim
// any size, so the bytes are counted as they come.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/document_text.h"

typedef struct zip zip_t;

namespace parlotto::office {

class ZipPackage {
 public:
  // The archive of a file, or of bytes that outlive the package.
  static std::unique_ptr<ZipPackage> OpenFile(const std::string& file_name,
                                              const DocumentLimits& limits, std::string* error);
  static std::unique_ptr<ZipPackage> OpenBytes(std::string_view bytes, const DocumentLimits& limits,
                                               std::string* error);
  ~ZipPackage();
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  bool Has(const char* name) const;

  struct Entry {
    // kNone, kDamaged (cannot inflate, or inflates beyond the ratio) or
    // kTooLarge (beyond the member's or the package's limit).
    DocumentFailure failure = DocumentFailure::kNone;
    std::string bytes;
    std::string detail;
  };
  // A missing member reads as kDamaged.
  Entry Read(const char* name);

 private:
  ZipPackage(zip_t* archive, const DocumentLimits& limits) : archive_(archive), limits_(limits) {}

  zip_t* archive_;
  DocumentLimits limits_;
  std::uint64_t total_read_ = 0;
};

}  // namespace parlotto::office
