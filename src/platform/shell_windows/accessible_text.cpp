#include "platform/shell_windows/accessible_text.h"

namespace parlotto {
namespace {

constexpr char32_t kObjectReplacement = 0xFFFC;

class Builder {
 public:
  explicit Builder(const PageTextLimits& limits) : limits_(limits) {}

  void Visit(PageNode& node, int depth) {
    if (Full() || depth > limits_.max_depth || nodes_ >= limits_.max_nodes) return;
    ++nodes_;
    const bool block = node.IsBlock();
    if (block) LineBreak();
    if (std::optional<std::vector<char32_t>> text = node.Text()) {
      int ordinal = 0;
      for (std::size_t i = 0; i < text->size() && !Full(); ++i) {
        const char32_t c = (*text)[i];
        if (c != kObjectReplacement) {
          Append(c);
          continue;
        }
        if (std::unique_ptr<PageNode> embedded = node.EmbeddedAt(static_cast<int>(i), ordinal)) {
          Visit(*embedded, depth + 1);
        }
        ++ordinal;
      }
    } else {
      const int count = node.ChildCount();
      for (int i = 0; i < count && !Full() && nodes_ < limits_.max_nodes; ++i) {
        if (std::unique_ptr<PageNode> child = node.Child(i)) Visit(*child, depth + 1);
      }
    }
    if (block) LineBreak();
  }

  QString Result() {
    while (!text_.isEmpty() && text_.back().isSpace()) text_.chop(1);
    return text_;
  }

 private:
  bool Full() const { return static_cast<std::size_t>(chars_) >= limits_.max_chars; }

  void Append(char32_t c) {
    // A line does not start with the blanks that separated it from the
    // block before.
    if ((c == U' ' || c == U'\t') && (text_.isEmpty() || text_.back() == QLatin1Char('\n'))) {
      return;
    }
    if (c == U'\n') {
      LineBreak();
      return;
    }
    text_.append(QString::fromUcs4(&c, 1));
    ++chars_;
  }

  // One line break, none at the start and none twice.
  void LineBreak() {
    while (!text_.isEmpty() &&
           (text_.back() == QLatin1Char(' ') || text_.back() == QLatin1Char('\t'))) {
      text_.chop(1);
      --chars_;
    }
    if (text_.isEmpty() || text_.back() == QLatin1Char('\n')) return;
    text_.append(QLatin1Char('\n'));
    ++chars_;
  }

  const PageTextLimits& limits_;
  QString text_;
  long chars_ = 0;
  int nodes_ = 0;
};

}  // namespace

QString PageText(PageNode& document, const PageTextLimits& limits) {
  Builder builder(limits);
  builder.Visit(document, 0);
  return builder.Result();
}

}  // namespace parlotto
