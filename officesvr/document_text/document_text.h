// The whole text of a document file, as the office server's Range.Text gives
// it: UTF-8, paragraphs ending with CR, table cells and row ends with CR BEL,
// manual line breaks as VT, page breaks as FF, tabs kept. Fields give their
// results, tracked changes read as accepted, text boxes follow the paragraph
// that anchors them, footnotes and endnotes follow the body, each led by its
// number (docs/office-documents.md).
#pragma once

#include <string>

namespace parlotto::office {

enum class DocumentFailure {
  kNone,
  // Missing, a directory, no access.
  kCannotOpen,
  // A format that none of the readers (nor LibreOffice, when installed) takes.
  kUnsupportedFormat,
  // The format was recognised, but the file is broken, or its reader failed
  // or ran out of its time or memory limit.
  kDamaged,
  // Encrypted: the document needs a password.
  kPasswordProtected,
  // Larger than the limits for a document (file or text).
  kTooLarge,
};

struct DocumentText {
  DocumentFailure failure = DocumentFailure::kNone;
  std::string text;
  // What went wrong, in one line, for the error's description.
  std::string detail;
};

// Reads the file by its content (not its name's ending where the content
// tells): Word XML packages, OpenDocument text, RTF, legacy Word binary
// files, plain text; anything else through LibreOffice when it is installed.
// Bounded in time and memory: a reader that runs out of either fails.
DocumentText ExtractDocumentText(const std::string& file_name);

}  // namespace parlotto::office
