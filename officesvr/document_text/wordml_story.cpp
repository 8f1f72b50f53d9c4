#include "officesvr/document_text/wordml_story.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "text_formats/utf8.h"

namespace parlotto::office {
namespace {

constexpr std::array<std::string_view, 2> kWordNamespaces = {
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
    "http://purl.oclc.org/ooxml/wordprocessingml/main",
};
constexpr std::string_view kCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

bool IsWord(std::string_view uri) {
  return std::find(kWordNamespaces.begin(), kWordNamespaces.end(), uri) != kWordNamespaces.end();
}

// Elements whose content is never text of the document: formatting (where
// w:tab is a tab stop, not a tab), deleted text, field codes, the choices
// of a content control.
constexpr std::array<std::string_view, 8> kLeftOut = {
    "del", "moveFrom", "delText", "instrText", "delInstrText", "sdtPr", "sdtEndPr", "tblGrid",
};

bool IsProperty(std::string_view name) {
  return name.ends_with("Pr") || name.ends_with("PrEx") || name.ends_with("PrChange");
}

// w:sym names a character of a font. Symbol fonts (Wingdings, Symbol)
// put their glyphs at F000-F0FF, where they mean nothing to a reader;
// other characters are read as they are.
std::string SymbolText(const std::string& hex) {
  unsigned code = 0;
  const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), code, 16);
  if (error != std::errc() || end != hex.data() + hex.size()) return {};
  if (code < 0x20 || (code >= 0xD800 && code <= 0xDFFF) || (code >= 0xE000 && code <= 0xF8FF) ||
      code > 0xFFFD) {
    return {};
  }
  std::string text;
  AppendUtf8(text, code);
  return text;
}

}  // namespace

void NoteList::Refer(const std::string& id) {
  if (std::find(order.begin(), order.end(), id) == order.end()) order.push_back(id);
}

std::string NoteList::Number(const std::string& id) const {
  const auto found = std::find(order.begin(), order.end(), id);
  if (found == order.end()) return {};
  return std::to_string(found - order.begin() + 1);
}

WordMlStory::WordMlStory(TextOutput& out, const DocumentLimits& limits, NoteList& footnotes,
                         NoteList& endnotes, std::string_view notes_element)
    : out_(out),
      limits_(limits),
      footnotes_(footnotes),
      endnotes_(endnotes),
      notes_element_(notes_element) {}

bool WordMlStory::Read(XmlStream& xml) {
  while (!out_.overflowed()) {
    const XmlStream::Event event = xml.Next();
    if (event == XmlStream::Event::kFinished) return true;
    if (event == XmlStream::Event::kFailed) return false;
    if (skip_depth_ >= 0) {
      if (event == XmlStream::Event::kEnd && xml.depth() == skip_depth_) skip_depth_ = -1;
      continue;
    }
    if (event == XmlStream::Event::kText) {
      if (in_text_) Emit(xml.text());
      continue;
    }
    const std::string_view uri = xml.namespace_uri();
    if (event == XmlStream::Event::kStart) {
      if (uri == kCompatibility && xml.local_name() == "Fallback") {
        // The same content as the chosen alternative, in older markup.
        Skip(xml);
      } else if (IsWord(uri)) {
        Start(xml, xml.local_name());
      }
    } else if (IsWord(uri)) {
      if (xml.depth() == property_depth_) {
        property_depth_ = -1;
      } else if (property_depth_ < 0) {
        End(xml.local_name());
      }
    }
  }
  return true;
}

void WordMlStory::Start(XmlStream& xml, std::string_view name) {
  if (property_depth_ >= 0) return StartProperty(xml, name);
  if (IsProperty(name)) {
    property_depth_ = xml.depth();
    property_ = name;
  } else if (std::find(kLeftOut.begin(), kLeftOut.end(), name) != kLeftOut.end()) {
    Skip(xml);
  } else if (name == "p") {
    paragraphs_.emplace_back();
  } else if (name == "t") {
    in_text_ = true;
  } else if (name == "tab" || name == "ptab") {
    Emit("\t");
  } else if (name == "br") {
    const std::string type = xml.Attribute("type", xml.namespace_uri().data());
    Emit(type == "page" || type == "column" ? "\f" : "\v");
  } else if (name == "cr") {
    Emit("\v");
  } else if (name == "noBreakHyphen") {
    Emit("\u2011");
  } else if (name == "sym") {
    Emit(SymbolText(xml.Attribute("char", xml.namespace_uri().data())));
  } else if (name == "fldChar") {
    StartField(xml.Attribute("fldCharType", xml.namespace_uri().data()));
  } else if (name == "tbl") {
    if (table_depth_ >= limits_.max_table_depth) return Skip(xml);
    ++table_depth_;
  } else if (name == "txbxContent") {
    out_.Push();
  } else if (name == "footnoteReference" && Visible()) {
    footnotes_.Refer(xml.Attribute("id", xml.namespace_uri().data()));
  } else if (name == "endnoteReference" && Visible()) {
    endnotes_.Refer(xml.Attribute("id", xml.namespace_uri().data()));
  } else if (name == "footnoteRef") {
    Emit(footnotes_.Number(note_id_));
  } else if (name == "endnoteRef") {
    Emit(endnotes_.Number(note_id_));
  } else if (!notes_element_.empty() && name == notes_element_) {
    // Separators are lines drawn by Word, not notes.
    const std::string type = xml.Attribute("type", xml.namespace_uri().data());
    if (!type.empty() && type != "normal") return Skip(xml);
    note_id_ = xml.Attribute("id", xml.namespace_uri().data());
    out_.Push();
  }
}

// A deleted paragraph mark joins the paragraph to the next one; a deleted
// row goes with everything in it.
void WordMlStory::StartProperty(XmlStream& xml, std::string_view name) {
  if (name != "del" && name != "moveFrom") return;
  // The mark's own properties are pPr/rPr; a change record holds the
  // old properties one level deeper.
  if (property_ == "pPr" && !paragraphs_.empty() && xml.depth() == property_depth_ + 2) {
    paragraphs_.back().mark_deleted = true;
  } else if (property_ == "trPr" && xml.depth() == property_depth_ + 1) {
    skip_depth_ = property_depth_ - 1;
    property_depth_ = -1;
  }
}

void WordMlStory::StartField(const std::string& type) {
  if (type == "begin") {
    fields_.push_back(true);
    ++field_codes_;
  } else if (type == "separate" && !fields_.empty() && fields_.back()) {
    fields_.back() = false;
    --field_codes_;
  } else if (type == "end" && !fields_.empty()) {
    if (fields_.back()) --field_codes_;
    fields_.pop_back();
  }
}

void WordMlStory::End(std::string_view name) {
  if (name == "t") {
    in_text_ = false;
  } else if (name == "p" && !paragraphs_.empty()) {
    const Paragraph paragraph = std::move(paragraphs_.back());
    paragraphs_.pop_back();
    if (!paragraph.mark_deleted) out_.EndParagraph();
    out_.AppendBuilt(paragraph.boxes);
  } else if (name == "tc") {
    out_.EndCell();
  } else if (name == "tr") {
    out_.EndRow();
  } else if (name == "tbl") {
    --table_depth_;
  } else if (name == "txbxContent") {
    std::string box = out_.Pop();
    if (paragraphs_.empty()) {
      out_.AppendBuilt(box);
    } else {
      paragraphs_.back().boxes += box;
    }
  } else if (!notes_element_.empty() && name == notes_element_) {
    NoteList& notes = notes_element_ == "footnote" ? footnotes_ : endnotes_;
    notes.text[note_id_] = out_.Pop();
  }
}

void WordMlStory::Emit(std::string_view text) {
  if (Visible() && !text.empty()) out_.Append(text);
}

}  // namespace parlotto::office
