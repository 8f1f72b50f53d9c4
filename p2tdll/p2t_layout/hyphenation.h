// Joining the printed lines of a paragraph into one line of text.
#pragma once

#include <string>

namespace parlotto::p2t {

// Appends the next printed line `next` to `text` (both UTF-8). A word cut by
// a hyphen at the line end is made whole again ("Sprach-" + "ausgabe"); a
// hyphen that belongs to the text stays: before a conjunction, as in
// "Nord- und Südsee", and before a capital or a digit, as in "Nord-Ostsee"
// or "E-Mail". A soft hyphen at the end always goes. Otherwise the two are
// joined with one blank.
void AppendLine(std::string& text, const std::string& next);

// True when `text` ends a word with a hyphen, so that the next line is
// likely its continuation.
bool EndsWithHyphen(const std::string& text);

}  // namespace parlotto::p2t
