// Legacy Word binary documents (Word 97 to 2003) through antiword, which
// prints their text as UTF-8 with each paragraph on a line of its own.
// antiword's refusals become failure kinds: an encrypted document needs
// its password, one antiword does not take as Word is damaged.
#pragma once

#include <string>

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/document_text.h"

namespace parlotto::office {

// `program` is antiword, or a stand-in for the tests.
DocumentText ReadWordBinary(const std::string& file_name, const DocumentLimits& limits = {},
                            const std::string& program = "antiword");

}  // namespace parlotto::office
