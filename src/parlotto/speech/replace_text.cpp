#include "parlotto/speech/replace_text.h"

namespace parlotto {

int ReplaceText(std::string& text, const std::string& search, const std::string& replacement,
                bool all) {
  // An empty search string would match everywhere and never advance.
  if (search.empty()) return 0;
  int count = 0;
  std::size_t position = 0;
  while (position + search.size() <= text.size()) {
    if (text.compare(position, search.size(), search) == 0) {
      ++count;
      text.replace(position, search.size(), replacement);
      position += replacement.size();
      if (!all) break;
    } else {
      ++position;
    }
  }
  return count;
}

}  // namespace parlotto
