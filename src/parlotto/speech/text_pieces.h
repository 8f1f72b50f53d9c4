// How the read routine cuts a long text: lines, and the character counts and
// positions it tests. Texts are UTF-8; counts are in characters.
#pragma once

#include <string>
#include <vector>

namespace parlotto {

// The lines of `text`: a line ends at CR, LF, CR LF or the end; a break at
// the very end adds no empty line; a zero character ends the text.
std::vector<std::string> SplitLines(const std::string& text);

// `line` in parts of at most `max_characters`, each cut after its last
// blank (which goes) or, without one, between two characters.
std::vector<std::string> SplitLongLine(const std::string& line, std::size_t max_characters);

// The number of characters (code points) of UTF-8 text.
std::size_t CharacterCount(const std::string& text);

// The 1-based character position of the first `pair` in `text`, 0 if none.
std::size_t FirstCharacterPosition(const std::string& text, const std::string& pair);

}  // namespace parlotto
