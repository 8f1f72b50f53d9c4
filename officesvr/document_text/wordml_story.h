// One part of a Word XML package (the body, or the footnotes or endnotes)
// walked as a stream: which elements give text, which are left out, and
// the little state that fields, tables and text boxes need.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "officesvr/document_text/document_limits.h"
#include "officesvr/document_text/text_output.h"
#include "officesvr/document_text/xml_stream.h"

namespace parlotto::office {

// The notes a body refers to, by id in the order of their first
// reference, and the text of each once its part has been read.
struct NoteList {
  std::vector<std::string> order;
  std::map<std::string, std::string> text;
  void Refer(const std::string& id);
  // "1" for the first note referred to; empty for one never referred to.
  std::string Number(const std::string& id) const;
};

class WordMlStory {
 public:
  // `notes_element` is empty for the body, "footnote" or "endnote" for a
  // part of notes, whose text goes to `notes`.
  WordMlStory(TextOutput& out, const DocumentLimits& limits, NoteList& footnotes,
              NoteList& endnotes, std::string_view notes_element);

  // False when the XML is not well-formed (the stream tells why).
  bool Read(XmlStream& xml);

 private:
  struct Paragraph {
    bool mark_deleted = false;
    // Text boxes anchored in the paragraph, placed after it.
    std::string boxes;
  };

  void Start(XmlStream& xml, std::string_view name);
  void StartProperty(XmlStream& xml, std::string_view name);
  void StartField(const std::string& type);
  void End(std::string_view name);
  void Skip(const XmlStream& xml) { skip_depth_ = xml.depth(); }
  bool Visible() const { return field_codes_ == 0; }
  void Emit(std::string_view text);

  TextOutput& out_;
  const DocumentLimits& limits_;
  NoteList& footnotes_;
  NoteList& endnotes_;
  std::string_view notes_element_;

  int skip_depth_ = -1;
  // The open properties element (pPr, rPr, ...) and its name: nothing in
  // it is text, but a deleted mark in it deletes a paragraph or a row.
  int property_depth_ = -1;
  std::string_view property_;
  bool in_text_ = false;
  int table_depth_ = 0;
  // Open fields, true while in their code (before "separate").
  std::vector<bool> fields_;
  int field_codes_ = 0;
  std::vector<Paragraph> paragraphs_;
  std::string note_id_;
};

}  // namespace parlotto::office
