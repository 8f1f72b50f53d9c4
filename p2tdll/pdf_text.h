// A PDF document to a text file for reading aloud.
#pragma once

#include <string>

namespace parlotto::p2t {

// Writes the text of `pdf` to `out` as UTF-8: one line per paragraph,
// paragraphs separated by an empty line, in reading order, without running
// headers, footers and page numbers. Pages are read one at a time. Returns
// one of the results of ParsePDF.
int ConvertPdfToText(const std::string& pdf, const std::string& out);

}  // namespace parlotto::p2t
