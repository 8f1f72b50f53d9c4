#include "platform/shell_windows/accessible_text.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace parlotto {
namespace {

constexpr char32_t kObject = 0xFFFC;

// A node of a page made by the test. Embedded objects are found by the
// offset of their U+FFFC, as the accessibility tree finds them.
struct FakeNode : std::enable_shared_from_this<FakeNode> {
  bool block = false;
  std::optional<std::u32string> text;
  std::map<int, std::shared_ptr<FakeNode>> embedded;  // by code point offset
  std::vector<std::shared_ptr<FakeNode>> children;
};

class FakePageNode final : public PageNode {
 public:
  explicit FakePageNode(std::shared_ptr<FakeNode> node) : node_(std::move(node)) {}
  bool IsBlock() override { return node_->block; }
  std::optional<std::vector<char32_t>> Text() override {
    if (!node_->text) return std::nullopt;
    return std::vector<char32_t>(node_->text->begin(), node_->text->end());
  }
  std::unique_ptr<PageNode> EmbeddedAt(int offset, int) override {
    auto it = node_->embedded.find(offset);
    if (it == node_->embedded.end()) return nullptr;
    return std::make_unique<FakePageNode>(it->second);
  }
  int ChildCount() override { return static_cast<int>(node_->children.size()); }
  std::unique_ptr<PageNode> Child(int index) override {
    return std::make_unique<FakePageNode>(node_->children.at(static_cast<std::size_t>(index)));
  }

 private:
  std::shared_ptr<FakeNode> node_;
};

std::shared_ptr<FakeNode> Text(std::u32string text, bool block = false) {
  auto node = std::make_shared<FakeNode>();
  node->text = std::move(text);
  node->block = block;
  return node;
}

// `parts`: strings, and nodes that stand where they are as embedded objects.
std::shared_ptr<FakeNode> Embedding(
    bool block, std::vector<std::variant<std::u32string, std::shared_ptr<FakeNode>>> parts) {
  auto node = std::make_shared<FakeNode>();
  node->block = block;
  node->text = U"";
  for (auto& part : parts) {
    if (auto* s = std::get_if<std::u32string>(&part)) {
      *node->text += *s;
    } else {
      node->embedded[static_cast<int>(node->text->size())] = std::get<1>(part);
      *node->text += kObject;
    }
  }
  return node;
}

QString Read(const std::shared_ptr<FakeNode>& document, const PageTextLimits& limits = {}) {
  FakePageNode root(document);
  return PageText(root, limits);
}

TEST(PageText, ReplacesEachEmbeddedObjectByItsTextAndPutsBlocksOnLinesOfTheirOwn) {
  auto paragraph = Embedding(true, {U"Man nehme drei ", Text(U"\u00c4pfel"), U" und Mehl."});
  auto document = Embedding(true, {Text(U"Apfelkuchen", true), paragraph, Text(U"Zucker", true)});
  EXPECT_EQ(Read(document),
            QString::fromUtf8("Apfelkuchen\nMan nehme drei \u00c4pfel und Mehl.\nZucker"));
}

TEST(PageText, FindsEmbeddedObjectsByCodePointOffsetsEvenAfterCharactersOutsideTheBasicPlane) {
  auto document =
      Embedding(false, {U"\U0001F600 Gruss ", Text(U"Welt"), U" \U0001F600 ", Text(U"Ende")});
  EXPECT_EQ(Read(document), QString::fromUtf8("\U0001F600 Gruss Welt \U0001F600 Ende"));
}

TEST(PageText, ReadsTheChildrenOfAnObjectWithoutTextAndLeavesOutEmptyLinesAndLeadingBlanks) {
  auto table = std::make_shared<FakeNode>();
  table->block = true;
  table->children = {Text(U"  Zeile eins  ", true), Text(U"", true),
                     Text(U"Zeile\n\n\nzwei", true)};
  auto document = Embedding(true, {U"  Vorher", table, U"   nachher  "});
  EXPECT_EQ(Read(document), QString::fromUtf8("Vorher\nZeile eins\nZeile\nzwei\nnachher"));
}

TEST(PageText, SkipsAnEmbeddedObjectThatCannotBeReached) {
  auto document = Embedding(false, {U"a", Text(U"b"), U"c"});
  document->embedded.clear();  // the object went away while the page changed
  EXPECT_EQ(Read(document), QString::fromUtf8("ac"));
}

TEST(PageText, StaysWithinItsBoundsOnDeepWideHugeAndCyclicTrees) {
  // An object that embeds itself: the depth bound ends it.
  auto cyclic = std::make_shared<FakeNode>();
  cyclic->text = U"x\uFFFC";
  cyclic->embedded[1] = cyclic;
  PageTextLimits depth_limits;
  depth_limits.max_depth = 5;
  EXPECT_EQ(Read(cyclic, depth_limits), QString::fromUtf8("xxxxxx"));
  cyclic->embedded.clear();  // the cycle would keep the node alive

  // A wide page: only the first objects are visited.
  auto wide = std::make_shared<FakeNode>();
  for (int i = 0; i < 100; ++i) wide->children.push_back(Text(U"w"));
  PageTextLimits node_limits;
  node_limits.max_nodes = 11;  // the page and ten children
  EXPECT_EQ(Read(wide, node_limits), QString(10, QLatin1Char('w')));

  // A huge text is cut.
  PageTextLimits size_limits;
  size_limits.max_chars = 7;
  EXPECT_EQ(Read(Embedding(false, {U"abc", Text(U"defghij"), U"klm"}), size_limits),
            QString::fromUtf8("abcdefg"));
}

}  // namespace
}  // namespace parlotto
