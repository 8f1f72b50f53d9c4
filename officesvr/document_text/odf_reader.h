// The text of an OpenDocument text (.odt, .ott): headings and paragraphs,
// lists (their text, not their labels), tables, frames' text boxes as
// paragraphs after the paragraph that anchors them, then the footnotes
// and the endnotes, each led by its citation. Tracked changes read as
// accepted; annotations and soft page breaks are left out.
#pragma once

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/document_text.h"
#include "officesvr/document_text/zip_package.h"

namespace parlotto::office {

// Whether the package's mimetype is that of a text document or template.
bool IsOdfTextPackage(ZipPackage& package);

DocumentText OdfToText(ZipPackage& package, const DocumentLimits& limits);

}  // namespace parlotto::office
