// Colour names of the label's markup.
#include "htmlabel/color.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QString>

#include "htmlabel/entities.h"
#include "htmlabel/markup_text.h"
#include "htmlabel/tags.h"

namespace parlotto {
namespace {

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

}  // namespace
}  // namespace parlotto
