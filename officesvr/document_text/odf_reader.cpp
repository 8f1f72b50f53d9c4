#include "officesvr/document_text/odf_reader.h"

#include "officesvr/document_text/odf_story.h"

namespace parlotto::office {

bool IsOdfTextPackage(ZipPackage& package) {
  if (!package.Has("mimetype")) return false;
  const ZipPackage::Entry mimetype = package.Read("mimetype");
  return mimetype.bytes == "application/vnd.oasis.opendocument.text" ||
         mimetype.bytes == "application/vnd.oasis.opendocument.text-template";
}

DocumentText OdfToText(ZipPackage& package, const DocumentLimits& limits) {
  const ZipPackage::Entry content = package.Read("content.xml");
  if (content.failure != DocumentFailure::kNone) return {content.failure, {}, content.detail};
  TextOutput out(limits.max_text);
  XmlStream xml(content.bytes, "content.xml");
  OdfStory story(out, limits);
  if (!story.Read(xml)) return {DocumentFailure::kDamaged, {}, "content.xml: " + xml.error()};
  out.AppendBuilt(story.footnotes());
  out.AppendBuilt(story.endnotes());
  if (out.overflowed()) return {DocumentFailure::kTooLarge, {}, "the text exceeds the limit"};
  return {DocumentFailure::kNone, out.Take(), {}};
}

}  // namespace parlotto::office
