// RTF and plain text files through the program's own readers, turned to
// Word's conventions: every line end (CR LF, LF, CR) ends a paragraph
// with CR. The RTF reader gives its line breaks and table rows as line
// ends too, so they become paragraphs here.
#pragma once

#include <string>
#include <string_view>

#include "officesvr/document_text/document_text.h"

namespace parlotto::office {

std::string ToWordLineEnds(std::string_view text);

// kDamaged when the content is no text (zero bytes, control characters).
DocumentText ReadPlainOrRtf(const std::string& file_name);

}  // namespace parlotto::office
