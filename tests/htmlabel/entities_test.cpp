// Entities of the label's markup.
#include "htmlabel/entities.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QString>

#include "htmlabel/color.h"
#include "htmlabel/markup_text.h"
#include "htmlabel/tags.h"

namespace parlotto {
namespace {

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

}  // namespace
}  // namespace parlotto
