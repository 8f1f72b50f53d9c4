// The text being built by a document reader, in Word's conventions, with
// a bound on its size. Text of a text box or a note is built aside (Push)
// and placed later by the reader, where the document's order wants it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace parlotto::office {

class TextOutput {
 public:
  explicit TextOutput(std::size_t max_bytes);

  // Everything appended goes to the innermost target.
  void Append(std::string_view text);
  void EndParagraph() { Append("\r"), top().ends_paragraph = true; }
  // A table cell ends with its last paragraph's mark followed by BEL; a
  // cell whose content is no paragraph (empty, or a nested table ending
  // it) gets a mark of its own.
  void EndCell();
  void EndRow() { Append("\r\a"); }

  // Starts a target aside; Pop hands back what was built in it.
  void Push();
  std::string Pop();
  // Places text built aside, keeping whether it ended with a paragraph.
  void AppendBuilt(const std::string& text);

  // True once the limit was reached: nothing is appended from then on.
  bool overflowed() const { return overflowed_; }
  std::size_t depth() const { return targets_.size(); }
  std::string Take();

 private:
  struct Target {
    std::string text;
    bool ends_paragraph = false;
  };
  Target& top() { return targets_.back(); }

  std::size_t max_bytes_;
  std::size_t total_ = 0;
  bool overflowed_ = false;
  std::vector<Target> targets_;
};

}  // namespace parlotto::office
