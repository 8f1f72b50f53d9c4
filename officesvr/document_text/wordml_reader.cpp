#include "officesvr/document_text/wordml_reader.h"

#include "officesvr/document_text/wordml_story.h"

namespace parlotto::office {
namespace {

constexpr const char* kBody = "word/document.xml";

DocumentText Failed(DocumentFailure failure, std::string detail) {
  return {failure, {}, std::move(detail)};
}

// Reads one part into `out`; a failure when the part cannot be read.
DocumentText ReadPart(ZipPackage& package, const char* name, const DocumentLimits& limits,
                      TextOutput& out, NoteList& footnotes, NoteList& endnotes,
                      std::string_view notes_element) {
  ZipPackage::Entry entry = package.Read(name);
  if (entry.failure != DocumentFailure::kNone) return Failed(entry.failure, entry.detail);
  XmlStream xml(entry.bytes, name);
  WordMlStory story(out, limits, footnotes, endnotes, notes_element);
  if (!story.Read(xml))
    return Failed(DocumentFailure::kDamaged, std::string(name) + ": " + xml.error());
  return {};
}

// The notes in the order the body refers to them; notes never referred
// to are not shown by Word either.
void AppendNotes(const NoteList& notes, TextOutput& out) {
  for (const std::string& id : notes.order) {
    const auto found = notes.text.find(id);
    if (found != notes.text.end()) out.AppendBuilt(found->second);
  }
}

}  // namespace

bool IsWordMlPackage(const ZipPackage& package) { return package.Has(kBody); }

DocumentText WordMlToText(ZipPackage& package, const DocumentLimits& limits) {
  TextOutput out(limits.max_text);
  NoteList footnotes;
  NoteList endnotes;
  DocumentText result = ReadPart(package, kBody, limits, out, footnotes, endnotes, {});
  struct NotesPart {
    const char* name;
    const NoteList& list;
    std::string_view element;
  };
  for (const NotesPart& part : {NotesPart{"word/footnotes.xml", footnotes, "footnote"},
                                NotesPart{"word/endnotes.xml", endnotes, "endnote"}}) {
    if (result.failure != DocumentFailure::kNone || out.overflowed()) break;
    if (part.list.order.empty() || !package.Has(part.name)) continue;
    result = ReadPart(package, part.name, limits, out, footnotes, endnotes, part.element);
  }
  if (result.failure != DocumentFailure::kNone) return result;
  if (!out.overflowed()) {
    AppendNotes(footnotes, out);
    AppendNotes(endnotes, out);
  }
  if (out.overflowed()) return Failed(DocumentFailure::kTooLarge, "the text exceeds the limit");
  result.text = out.Take();
  return result;
}

}  // namespace parlotto::office
