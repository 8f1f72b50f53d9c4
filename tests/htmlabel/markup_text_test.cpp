// The whole-text operations on the label's markup.
#include "htmlabel/markup_text.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QString>

#include "htmlabel/color.h"
#include "htmlabel/entities.h"
#include "htmlabel/tags.h"

namespace parlotto {
namespace {

TEST(MarkupTextTest, PrepareOpensHashTagAndTurnsLineEndsIntoBreaks) {
  EXPECT_EQ(PrepareMarkup("a<#b>c<#d>"), QString("a#bc<#d>"));
  EXPECT_EQ(PrepareMarkup("one\r\ntwo\nthree"), QString("one<BR>twothree"));
}

TEST(MarkupTextTest, PlainText) {
  EXPECT_EQ(PlainText("<B>bold</B><br>next<HR>&amp;<A href=\"x\">link</A>"),
            QString("bold\r\nnext\r\n&amp;link"));
  EXPECT_EQ(PlainText("keep<B unclosed"), QString("keep"));
}

TEST(MarkupTextTest, InsertAroundVisibleText) {
  EXPECT_EQ(InsertAroundText("<B>Hello</B> world, hello", "hello", false, u"<hi>", u"</hi>"),
            QString("<hi><B>Hello</hi></B> world, <hi>hello</hi>"));
  EXPECT_EQ(InsertAroundText("Hello hello", "hello", true, u"<e>", u"</e>"),
            QString("Hello <e>hello</e>"));
  EXPECT_EQ(InsertAroundText("aaa", "a", true, u"<e>", u"</e>"),
            QString("<e>a</e><e>a</e><e>a</e>"));
  EXPECT_EQ(InsertAroundText("text", "", true, u"<e>", u"</e>"), QString("text"));
  EXPECT_EQ(RemoveTagPair("<HI>a</hi><hi>b</HI><HIGH>", u"<HI>", u"</HI>"), QString("ab<HIGH>"));
}

}  // namespace
}  // namespace parlotto
