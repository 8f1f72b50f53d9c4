// The text of a zip package, from a file or from bytes in memory (the
// fuzzer's way in): Word XML or OpenDocument text, decided by what the
// package holds. Other packages (spreadsheets, e-books) are
// kUnsupportedFormat here; a zip that cannot be opened is kDamaged.
#pragma once

#include <string>
#include <string_view>

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/document_text.h"

namespace parlotto::office {

DocumentText PackageFileToText(const std::string& file_name, const DocumentLimits& limits = {});
DocumentText PackageBytesToText(std::string_view bytes, const DocumentLimits& limits = {});

}  // namespace parlotto::office
