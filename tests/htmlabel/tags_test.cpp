// Tag recognition, attributes and numbers of the label's markup.
#include "htmlabel/tags.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QString>

#include "htmlabel/color.h"
#include "htmlabel/entities.h"
#include "htmlabel/markup_text.h"

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

}  // namespace
}  // namespace parlotto
