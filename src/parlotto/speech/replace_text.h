// Replaces occurrences of a search string in a text, left to right, never
// searching inside a replacement already made.
#pragma once

#include <string>

namespace parlotto {

// Returns the number of replacements; `all` false stops after the first.
int ReplaceText(std::string& text, const std::string& search, const std::string& replacement,
                bool all);

}  // namespace parlotto
