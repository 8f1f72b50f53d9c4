// RTF documents as the plain text a rich-text control displays for them:
// the text of the body with its special characters, without control
// words, tables of fonts, colours and styles, document information,
// pictures, embedded objects' data, headers, footers, footnotes, field
// instructions or hidden text. Paragraphs (\par, \sect, \page, table
// rows) end with CR LF; \line is a line break (CR LF) too; \tab and the
// end of a table cell give a tab.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace parlotto {

struct RtfLimits {
  // Groups nested deeper than this are skipped with everything in them,
  // so that a file of a million opening braces costs no more memory than
  // a plain one.
  std::size_t max_depth = 256;
  // The text stops here (at a character boundary); no real document
  // comes near it, since text is never longer than its markup.
  std::size_t max_output = std::size_t{64} << 20;
};

// Whether the bytes begin like an RTF document ("{\rtf").
bool LooksLikeRtf(std::string_view bytes);

// The document's text as UTF-8, or nothing when `rtf` is no RTF document.
// A document cut short gives the text up to the cut. \'hh characters are
// in the document's code page (\ansicpg, \ansi, \mac, \pc, \pca; 1252 when
// none is given) or in that of the current font's character set
// (\fcharset, \cpg).
std::optional<std::string> RtfToText(std::string_view rtf, const RtfLimits& limits = {});

}  // namespace parlotto
