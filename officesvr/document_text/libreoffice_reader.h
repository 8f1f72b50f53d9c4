// Formats none of the other readers take, through LibreOffice when it is
// installed: converted headless to UTF-8 text, with a profile and an
// output directory of its own in a private temporary directory, so that
// it never meets the user's running office nor leaves anything behind.
#pragma once

#include <string>

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/document_text.h"

namespace parlotto::office {

// kUnsupportedFormat when soffice is not on PATH or converts nothing.
DocumentText ConvertWithLibreOffice(const std::string& file_name,
                                    const DocumentLimits& limits = {});

}  // namespace parlotto::office
