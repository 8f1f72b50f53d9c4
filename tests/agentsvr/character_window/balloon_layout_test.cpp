#include "agentsvr/character_window/balloon_layout.h"

#include <gtest/gtest.h>

#include <QFont>

namespace parlotto::agent {
namespace {

QFont TestFont() {
  QFont font("DejaVu Sans");
  font.setPointSizeF(11);
  return font;
}

const QString kLong = QStringLiteral(
    "Der Zug nach Hamburg fährt heute ausnahmsweise von Gleis sieben ab, bitte beachten Sie die "
    "geänderte Wagenreihung und steigen Sie zügig ein, damit wir pünktlich abfahren können. "
    "Wir wünschen Ihnen eine angenehme Reise und danken für Ihr Verständnis.");

TEST(BalloonText, WrapsLongTextWithinTheWidthAndShowsAtMostFourLines) {
  const BalloonText text(kLong, TestFont());
  EXPECT_GT(text.LineCount(), BalloonText::kMaxLines);
  EXPECT_LE(text.Size().width(), BalloonText::kMaxWidth);
  const BalloonText one_line(kLong.left(24), TestFont());
  EXPECT_EQ(one_line.LineCount(), 1);
  EXPECT_LT(one_line.Size().width(), text.Size().width());
  EXPECT_LT(one_line.Size().height() * 3, text.Size().height());
  EXPECT_GE(one_line.Size().height() * 5, text.Size().height()) << "more than four lines shown";
}

TEST(BalloonText, LineBreaksOfTheTextBreakTheLinesAndKeepWordPositions) {
  for (const QString& text :
       {QStringLiteral("Texte vor.\nSie lesen."), QStringLiteral("Texte vor.\r\nSie lesen."),
        QStringLiteral("Texte vor.\rSie lesen.")}) {
    const BalloonText shown(text, TestFont());
    EXPECT_EQ(shown.LineCount(), 2);
    EXPECT_EQ(shown.Text().size(), text.size());
    EXPECT_EQ(shown.LineOf(text.indexOf(QStringLiteral("Sie"))), 1);
  }
}

TEST(BalloonText, AWordTooLongForALineIsBrokenRatherThanWideningTheBalloon) {
  const BalloonText text(QString(200, QChar('x')), TestFont());
  EXPECT_GT(text.LineCount(), 1);
  EXPECT_LE(text.Size().width(), BalloonText::kMaxWidth);
}

TEST(BalloonText, TheShownLinesFollowTheSpokenWordWithOneLineOfContext) {
  const BalloonText text(kLong, TestFont());
  const int last = text.LineCount() - 1;
  EXPECT_EQ(text.FirstShownLine(0), 0);
  EXPECT_EQ(text.FirstShownLine(-1), 0);
  const int verstaendnis = static_cast<int>(kLong.indexOf("Verständnis"));
  EXPECT_EQ(text.LineOf(verstaendnis), last);
  EXPECT_EQ(text.FirstShownLine(verstaendnis), last - BalloonText::kMaxLines + 1);
  // A word in the third line: lines two to five are shown.
  int third = 0;
  while (text.LineOf(third) < 2) ++third;
  ASSERT_GE(last, 5);
  EXPECT_EQ(text.FirstShownLine(third), 1);
  EXPECT_EQ(text.FirstShownLine(static_cast<int>(kLong.size()) + 10),
            text.LineCount() - BalloonText::kMaxLines);
}

TEST(BalloonText, RangeRectsCoverTheWordWhereItIsShown) {
  const BalloonText text(QStringLiteral("eins zwei drei"), TestFont());
  const auto eins = text.RangeRects(0, 4, 0);
  const auto zwei = text.RangeRects(5, 4, 0);
  ASSERT_EQ(eins.size(), 1u);
  ASSERT_EQ(zwei.size(), 1u);
  EXPECT_NEAR(eins[0].left(), 0, 0.5);
  EXPECT_GT(zwei[0].left(), eins[0].right());
  EXPECT_GT(zwei[0].width(), 10);
  EXPECT_TRUE(text.RangeRects(5, 0, 0).empty());
  EXPECT_TRUE(text.RangeRects(50, 4, 0).empty());

  const BalloonText long_text(kLong, TestFont());
  // A range over a line break covers both lines.
  const int second_line_start = [&] {
    int p = 0;
    while (long_text.LineOf(p) < 1) ++p;
    return p;
  }();
  EXPECT_EQ(long_text.RangeRects(second_line_start - 3, 6, 0).size(), 2u);
  // Lines scrolled out of view give nothing; shown ones start at the top.
  const int verstaendnis = static_cast<int>(kLong.indexOf("Verständnis"));
  const int first = long_text.FirstShownLine(verstaendnis);
  EXPECT_TRUE(long_text.RangeRects(0, 3, first).empty());
  const auto rects = long_text.RangeRects(verstaendnis, 11, first);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_GT(rects[0].top(), 0);
  EXPECT_LE(rects[0].bottom(), long_text.Size().height() + 0.5);
}

const QRect kScreen(0, 0, 1024, 768);
const QSize kFigure(96, 112);
const QSize kBody(360, 110);

BalloonPlacement PlaceAt(QPoint figure_top_left) {
  const QRect figure(figure_top_left, kFigure);
  return PlaceBalloon(kBody, figure, figure_top_left + QPoint(48, 4), kScreen);
}

TEST(BalloonPlacement, StaysOnTheScreenForAFigurePartlyOffIt) {
  for (const QPoint at : {QPoint(-60, -60), QPoint(980, 700)}) {
    const BalloonPlacement placement = PlaceAt(at);
    EXPECT_TRUE(kScreen.contains(placement.body)) << at.x() << "," << at.y();
    EXPECT_TRUE(kScreen.contains(placement.tip)) << at.x() << "," << at.y();
    EXPECT_EQ(placement.body.size(), kBody);
  }
}

TEST(BalloonPlacement, GoesAboveTheAnchorAndFlipsBelowAtTheTopAndLeftAtTheRight) {
  const BalloonPlacement middle = PlaceAt(QPoint(400, 400));
  EXPECT_FALSE(middle.below);
  EXPECT_EQ(middle.tip, QPoint(448, 404));
  EXPECT_LT(middle.body.bottom(), middle.tip.y());
  EXPECT_LT(middle.body.left(), middle.tip.x());
  EXPECT_GT(middle.body.right(), middle.tip.x() + kBody.width() / 2);

  const BalloonPlacement top = PlaceAt(QPoint(400, 20));
  EXPECT_TRUE(top.below);
  EXPECT_GT(top.tip.y(), 20 + kFigure.height() - 1) << "the tail ends below the figure";
  EXPECT_LT(top.tip.y(), 20 + kFigure.height() + 8);
  EXPECT_GT(top.body.top(), top.tip.y());

  const BalloonPlacement right = PlaceAt(QPoint(900, 400));
  EXPECT_LT(right.body.left(), right.tip.x() - kBody.width() / 2);
  EXPECT_GT(right.body.right(), right.tip.x());
}

}  // namespace
}  // namespace parlotto::agent
