// The markup's text rules: tag recognition, attributes, numbers, colours,
// entities and the whole-text operations.
#include <gtest/gtest.h>

#include <QPalette>
#include <QString>

#include "ui/htmlabel/color.h"
#include "ui/htmlabel/entities.h"
#include "ui/htmlabel/markup_text.h"
#include "ui/htmlabel/tags.h"

namespace parlotto {
namespace {

TagKind Classify(const char* markup) { return ClassifyTag(QString::fromUtf8(markup), 0); }

TEST(TagsTest, RecognisedByLeadingLettersOrExactForm) {
  EXPECT_EQ(Classify("<B>"), TagKind::kBold);
  EXPECT_EQ(Classify("<b>"), TagKind::kBold);
  EXPECT_EQ(Classify("<BIG>"), TagKind::kUnknown);  // "<B>" only exactly
  EXPECT_EQ(Classify("<BR/>"), TagKind::kBreak);
  EXPECT_EQ(Classify("<blink>"), TagKind::kBlink);
  EXPECT_EQ(Classify("<BODY bgcolor=\"#FFFFFF\">"), TagKind::kBody);
  EXPECT_EQ(Classify("<ABBR>"), TagKind::kAnchor);  // one letter is enough
  EXPECT_EQ(Classify("<Font face=\"x\">"), TagKind::kFont);
  EXPECT_EQ(Classify("<HIGH>"), TagKind::kHighlight);
  EXPECT_EQ(Classify("<H1>"), TagKind::kUnknown);
  EXPECT_EQ(Classify("<I>"), TagKind::kItalic);
  EXPECT_EQ(Classify("<IMG src=\"a\">"), TagKind::kImage);
  EXPECT_EQ(Classify("<IND x=\"4\">"), TagKind::kIndent);
  EXPECT_EQ(Classify("<SUB>"), TagKind::kSubscript);
  EXPECT_EQ(Classify("<SUP>"), TagKind::kSuperscript);
  EXPECT_EQ(Classify("<SHAD>"), TagKind::kShadow);
  EXPECT_EQ(Classify("<SPAN>"), TagKind::kUnknown);
  EXPECT_EQ(Classify("<U>"), TagKind::kUnderline);
  EXPECT_EQ(Classify("<UL>"), TagKind::kList);
  EXPECT_EQ(Classify("<>"), TagKind::kUnknown);
}

TEST(TagsTest, ClosingTagsNeedFourCharacters) {
  EXPECT_EQ(Classify("</B>"), TagKind::kBoldEnd);
  EXPECT_EQ(Classify("</BLINK>"), TagKind::kColorEnd);
  EXPECT_EQ(Classify("</IMG>"), TagKind::kItalicEnd);
  EXPECT_EQ(Classify("</SUB>"), TagKind::kScriptEnd);
  EXPECT_EQ(Classify("</SHAD>"), TagKind::kShadowEnd);
  EXPECT_EQ(Classify("</S>"), TagKind::kStrikeEnd);
  EXPECT_EQ(Classify("</U>"), TagKind::kUnderlineEnd);
  EXPECT_EQ(Classify("</UL>"), TagKind::kListEnd);
  EXPECT_EQ(Classify("</A"), TagKind::kUnknown);
  EXPECT_EQ(ClassifyTag(u"x</A>", 1), TagKind::kAnchorEnd);
}

TEST(TagsTest, AttributeValuesAreQuotedAndNamedAsWholeWords) {
  EXPECT_EQ(TagAttribute(u"<FONT face=\"Tahoma\">", u"FACE"), QString("Tahoma"));
  // "COLOR" inside "BGCOLOR" is not the colour.
  EXPECT_EQ(TagAttribute(u"<FONT bgcolor=\"#00FF00\" color=\"#FF0000\">", u"COLOR"),
            QString("#FF0000"));
  EXPECT_EQ(TagAttribute(u"<FONT size=3>", u"SIZE"), QString());
  EXPECT_EQ(TagAttribute(u"<FONT size=\"3>", u"SIZE"), QString("3"));
  EXPECT_FALSE(TagAttribute(u"<FONT>", u"SIZE").has_value());
  EXPECT_EQ(QuotedAfter(u"<A href=\"SapiInstall\">", 0), QString("SapiInstall"));
}

TEST(TagsTest, NumbersAreTheirLeadingDigits) {
  EXPECT_EQ(LeadingNumber(u"12px"), 12);
  EXPECT_EQ(LeadingNumber(u"abc"), 0);
  EXPECT_EQ(LeadingNumber(u"-5"), 0);
  EXPECT_EQ(LeadingNumber(u""), 0);
  EXPECT_EQ(LeadingNumber(u"99999999999999999999"), 1'000'000'000);
}

TEST(ColorTest, HexNamesAndSystemColours) {
  EXPECT_EQ(ColorFromMarkup(u"#FF8000"), RGBToColor(0xFF, 0x80, 0x00));
  EXPECT_EQ(ColorFromMarkup(u"#ff8000"), RGBToColor(0xFF, 0x80, 0x00));
  EXPECT_EQ(ColorFromMarkup(u"#FF80"), clBlack);
  EXPECT_EQ(ColorFromMarkup(u"#GG0000"), clBlack);
  EXPECT_EQ(ColorFromMarkup(u"clRed"), clRed);
  EXPECT_EQ(ColorFromMarkup(u"CLNAVY"), clNavy);
  EXPECT_EQ(ColorFromMarkup(u"clInfoBk"), clSystemColor | 24);
  EXPECT_EQ(ColorFromMarkup(u"red"), clBlack);

  QPalette palette;
  palette.setColor(QPalette::Highlight, QColor(1, 2, 3));
  EXPECT_EQ(ToQColor(clHighlight, palette), QColor(1, 2, 3));
  EXPECT_EQ(ToQColor(RGBToColor(10, 20, 30), palette), QColor(10, 20, 30));
  EXPECT_FALSE(ToQColor(clNone, palette).isValid());
}

TEST(EntitiesTest, WholeTextEntitiesRepeatUntilNoneIsLeft) {
  EXPECT_EQ(ReplaceEntities("a &amp; b"), QString("a && b"));
  EXPECT_EQ(ReplaceEntities("&AMP;amp;"), QString("&&&"));
  EXPECT_EQ(ReplaceEntities("&quot;&copy;&reg;&euro;&trade;&sect;&para;&permil;"),
            QString::fromUtf8("\"©®€™§¶‰"));
  EXPECT_EQ(ReplaceEntities("&nbsp;&lt;&unknown;&"), QString("&nbsp;&lt;&unknown;&"));
  // A long chain stays linear: one level per "amp;".
  QString chain = "&" + QString("amp;").repeated(100'000);
  EXPECT_EQ(ReplaceEntities(chain), QString("&").repeated(100'001));
}

TEST(EntitiesTest, RunEntities) {
  EXPECT_EQ(ReplaceRunEntities("&lt;B&gt;&nbsp;&NBSP;"), QString("<B>  "));
}

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
