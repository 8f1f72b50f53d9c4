// The text of a Word XML package (.docx, .docm, .dotx): the body, then
// the footnotes and the endnotes, each led by its number, in the order the
// body refers to them. Tracked changes read as accepted, fields as their
// results, text boxes as paragraphs of their own after the paragraph that
// anchors them. Headers, footers and comments stay out.
#pragma once

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/document_text.h"
#include "officesvr/document_text/zip_package.h"

namespace parlotto::office {

// Whether the package is a Word XML document.
bool IsWordMlPackage(const ZipPackage& package);

DocumentText WordMlToText(ZipPackage& package, const DocumentLimits& limits);

}  // namespace parlotto::office
