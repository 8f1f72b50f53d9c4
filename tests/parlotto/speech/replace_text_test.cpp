// Cleaning texts before they are spoken.
#include "parlotto/speech/replace_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parlotto/speech/text_pieces.h"

namespace parlotto {
namespace {

TEST(ReplaceText, ReplacesLeftToRightWithoutRescanningTheReplacement) {
  std::string text = "Guten Tag|Welt|";
  EXPECT_EQ(ReplaceText(text, "|", " ", true), 2);
  EXPECT_EQ(text, "Guten Tag Welt ");

  std::string single = "|";
  EXPECT_EQ(ReplaceText(single, "|", " ", true), 1);
  EXPECT_EQ(single, " ");

  std::string doubled = "a|b|c";
  EXPECT_EQ(ReplaceText(doubled, "|", "||", true), 2);
  EXPECT_EQ(doubled, "a||b||c");

  std::string empty;
  EXPECT_EQ(ReplaceText(empty, "|", " ", true), 0);
  EXPECT_EQ(empty, "");

  std::string first_only = "x|y|z";
  EXPECT_EQ(ReplaceText(first_only, "|", "-", false), 1);
  EXPECT_EQ(first_only, "x-y|z");

  std::string case_matters = "Ab ab AB";
  EXPECT_EQ(ReplaceText(case_matters, "ab", "xy", true), 1);
  EXPECT_EQ(case_matters, "Ab xy AB");

  std::string no_search = "abc";
  EXPECT_EQ(ReplaceText(no_search, "", "x", true), 0);
  EXPECT_EQ(no_search, "abc");
}

}  // namespace
}  // namespace parlotto
