// content.xml of an OpenDocument text walked as a stream. White space in
// paragraphs is collapsed as the format says (runs of it are one space,
// none at a paragraph's ends); text:s, text:tab and text:line-break give
// the spaces, tabs and breaks that stay.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/text_output.h"
#include "officesvr/document_text/xml_stream.h"

namespace parlotto::office {

class OdfStory {
 public:
  OdfStory(TextOutput& out, const DocumentLimits& limits) : out_(out), limits_(limits) {}

  // False when the XML is not well-formed. The notes are kept apart.
  bool Read(XmlStream& xml);
  const std::string& footnotes() const { return footnotes_; }
  const std::string& endnotes() const { return endnotes_; }

 private:
  struct Paragraph {
    bool at_start = true;
    bool space_pending = false;
    std::string boxes;
  };
  struct Note {
    bool endnote = false;
    std::string citation;
    std::string body;
  };

  void Start(XmlStream& xml, std::string_view uri, std::string_view name);
  void End(std::string_view uri, std::string_view name);
  void Text(std::string_view text);
  void Emit(std::string_view text);

  TextOutput& out_;
  const DocumentLimits& limits_;
  int skip_depth_ = -1;
  int table_depth_ = 0;
  std::vector<Paragraph> paragraphs_;
  std::vector<Note> notes_;
  std::string footnotes_;
  std::string endnotes_;
};

}  // namespace parlotto::office
