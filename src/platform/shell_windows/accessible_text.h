// The rendered text of a page from its accessibility tree. A node's text has
// one U+FFFC (the object replacement character) where an embedded object
// stands, a paragraph or a link; the page's text is the document's text with
// each of them replaced by the object's own text, recursively. Blocks
// (paragraphs, headings, list items, ...) stand on lines of their own.
#pragma once

#include <QString>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace parlotto {

class PageNode {
 public:
  virtual ~PageNode() = default;
  // On lines of its own. Asked first, before anything else of the node.
  virtual bool IsBlock() = 0;
  // The node's text in code points, or nothing when the node has no text
  // (then its children's texts stand for it).
  virtual std::optional<std::vector<char32_t>> Text() = 0;
  // The object of the `ordinal`th U+FFFC of Text(), which stands at `offset`.
  virtual std::unique_ptr<PageNode> EmbeddedAt(int offset, int ordinal) = 0;
  virtual int ChildCount() = 0;
  virtual std::unique_ptr<PageNode> Child(int index) = 0;
};

struct PageTextLimits {
  int max_depth = 64;                // deeper objects are left out
  int max_nodes = 20000;             // objects visited; the rest of the page is left out
  std::size_t max_chars = 1u << 20;  // the text is cut there
};

QString PageText(PageNode& document, const PageTextLimits& limits = {});

}  // namespace parlotto
