#include "officesvr/document_text/odf_story.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace parlotto::office {
namespace {

constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kDraw = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr std::string_view kSvg = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";

struct Name {
  std::string_view uri;
  std::string_view local;
};

// Content that is no text of the document: deleted text kept for the
// change log, comments, list labels, declarations, pictures' titles.
constexpr std::array<Name, 12> kLeftOut = {{
    {kText, "tracked-changes"},
    {kText, "number"},
    {kText, "sequence-decls"},
    {kText, "variable-decls"},
    {kText, "user-field-decls"},
    {kText, "dde-connection-decls"},
    {kOffice, "annotation"},
    {kOffice, "forms"},
    {kTable, "covered-table-cell"},
    {kDraw, "image"},
    {kSvg, "title"},
    {kSvg, "desc"},
}};

bool LeftOut(std::string_view uri, std::string_view name) {
  // The templates of indexes (text:table-of-content-source, ...).
  if (uri == kText && name.ends_with("-source")) return true;
  return std::any_of(kLeftOut.begin(), kLeftOut.end(),
                     [&](const Name& n) { return n.uri == uri && n.local == name; });
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool OdfStory::Read(XmlStream& xml) {
  while (!out_.overflowed()) {
    const XmlStream::Event event = xml.Next();
    if (event == XmlStream::Event::kFinished) return true;
    if (event == XmlStream::Event::kFailed) return false;
    if (skip_depth_ >= 0) {
      if (event == XmlStream::Event::kEnd && xml.depth() == skip_depth_) skip_depth_ = -1;
      continue;
    }
    if (event == XmlStream::Event::kText) {
      Text(xml.text());
    } else if (event == XmlStream::Event::kStart) {
      if (LeftOut(xml.namespace_uri(), xml.local_name())) {
        skip_depth_ = xml.depth();
      } else {
        Start(xml, xml.namespace_uri(), xml.local_name());
      }
    } else {
      End(xml.namespace_uri(), xml.local_name());
    }
  }
  return true;
}

void OdfStory::Start(XmlStream& xml, std::string_view uri, std::string_view name) {
  if (uri == kText) {
    if (name == "p" || name == "h") {
      paragraphs_.emplace_back();
    } else if (name == "s") {
      const std::string count = xml.Attribute("c", kText.data());
      int n = 1;
      std::from_chars(count.data(), count.data() + count.size(), n);
      // A count beyond a line's width is a hostile file's, not a layout.
      Emit(std::string(static_cast<std::size_t>(std::clamp(n, 1, 1000)), ' '));
    } else if (name == "tab") {
      Emit("\t");
    } else if (name == "line-break") {
      Emit("\v");
    } else if (name == "note") {
      notes_.push_back({xml.Attribute("note-class", kText.data()) == "endnote", {}, {}});
    } else if (name == "note-citation" || name == "note-body") {
      out_.Push();
    }
  } else if (uri == kTable && name == "table") {
    if (table_depth_ >= limits_.max_table_depth) {
      skip_depth_ = xml.depth();
    } else {
      ++table_depth_;
    }
  } else if (uri == kDraw && name == "text-box") {
    out_.Push();
  }
}

void OdfStory::End(std::string_view uri, std::string_view name) {
  if (uri == kText) {
    if ((name == "p" || name == "h") && !paragraphs_.empty()) {
      const std::string boxes = std::move(paragraphs_.back().boxes);
      paragraphs_.pop_back();
      out_.EndParagraph();
      out_.AppendBuilt(boxes);
    } else if (name == "note-citation" && !notes_.empty()) {
      // A space collapsed before the note lands in its citation.
      std::string citation = out_.Pop();
      const std::size_t first = citation.find_first_not_of(' ');
      notes_.back().citation = first == std::string::npos ? std::string() : citation.substr(first);
    } else if (name == "note-body" && !notes_.empty()) {
      notes_.back().body = out_.Pop();
    } else if (name == "note" && !notes_.empty()) {
      const Note note = std::move(notes_.back());
      notes_.pop_back();
      std::string& list = note.endnote ? endnotes_ : footnotes_;
      list += note.citation;
      list += ' ';
      list += note.body;
    }
  } else if (uri == kTable) {
    if (name == "table-cell") {
      out_.EndCell();
    } else if (name == "table-row") {
      out_.EndRow();
    } else if (name == "table") {
      --table_depth_;
    }
  } else if (uri == kDraw && name == "text-box") {
    std::string box = out_.Pop();
    if (paragraphs_.empty()) {
      out_.AppendBuilt(box);
    } else {
      paragraphs_.back().boxes += box;
    }
  }
}

void OdfStory::Text(std::string_view text) {
  if (paragraphs_.empty()) return;
  Paragraph& paragraph = paragraphs_.back();
  std::size_t begin = 0;
  while (begin < text.size()) {
    if (IsSpace(text[begin])) {
      paragraph.space_pending = !paragraph.at_start;
      ++begin;
      continue;
    }
    std::size_t end = begin;
    while (end < text.size() && !IsSpace(text[end])) ++end;
    Emit(text.substr(begin, end - begin));
    begin = end;
  }
}

// The spaces of markup (text:s) and the tab and the break are kept as they
// are; a collapsed space before them is kept too.
void OdfStory::Emit(std::string_view text) {
  if (!paragraphs_.empty()) {
    Paragraph& paragraph = paragraphs_.back();
    if (paragraph.space_pending) out_.Append(" ");
    paragraph.space_pending = false;
    paragraph.at_start = false;
  }
  out_.Append(text);
}

}  // namespace parlotto::office
