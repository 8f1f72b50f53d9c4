// Layout results of the markup renderer: plain text, line breaks and
// widths, anchor numbers and rectangles, pictures, and bad input.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QPainter>

#include "htmlabel/html_paint.h"
#include "htmlabel/image_list.h"
#include "htmlabel/picture_container.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

class LayoutTest : public ::testing::Test {
 protected:
  LayoutTest() : device_(400, 300, QImage::Format_ARGB32_Premultiplied) {
    font_ = QFont("DejaVu Sans");
    font_.setPixelSize(13);
    options_.font = font_;
    options_.device = &device_;
    options_.pictures = &pictures_;
  }

  HTMLPaintResult Lay(const QString& markup, int width = 400, int height = 300) {
    HTMLPaintResult result;
    HTMLPaint(nullptr, markup, QRect(0, 0, width, height), options_, &result);
    return result;
  }

  HTMLPaintResult At(const QString& markup, QPoint mouse, int width = 400) {
    options_.mouse = mouse;
    HTMLPaintResult result = Lay(markup, width);
    options_.mouse.reset();
    return result;
  }

  int Advance(const QString& text, const QFont& font) const {
    return QFontMetrics(font, &device_).horizontalAdvance(text);
  }
  int Advance(const QString& text) const { return Advance(text, font_); }
  int Gh() const { return QFontMetrics(font_, &device_).height(); }

  QImage device_;
  QFont font_;
  TPictureContainer pictures_;
  HTMLPaintOptions options_;
};

TEST_F(LayoutTest, BreaksWhereTheMarkupPutsThem) {
  HTMLPaintResult one = Lay("Hello World");
  EXPECT_EQ(one.plain_text, "Hello World");
  EXPECT_EQ(one.height, Gh());
  EXPECT_NEAR(one.width, Advance("Hello World"), 2);

  HTMLPaintResult two = Lay("Hello<BR>World<hr>Rule</P>Para");
  EXPECT_EQ(two.plain_text, "Hello\rWorldRulePara");
  EXPECT_EQ(two.height, 4 * Gh());
  EXPECT_NEAR(two.width, Advance("World"), 2);
  EXPECT_EQ(Lay("").height, Gh());
}

TEST_F(LayoutTest, WrapsAtBlanksAndDropsTheTrailingBlank) {
  int width = Advance("aaa bbb ") + 2;
  HTMLPaintResult result = Lay("aaa bbb ccc", width);
  EXPECT_EQ(result.height, 2 * Gh());
  EXPECT_NEAR(result.width, Advance("aaa bbb"), 2);
  EXPECT_EQ(result.plain_text, "aaa bbb ccc");
}

TEST_F(LayoutTest, AWordSplitByATagIsNotBroken) {
  int width = Advance("xx a") + 1;
  // "b" does not fit, but stays with "a", and "c" with it.
  HTMLPaintResult split = Lay("xx a<B>b</B>c", width);
  EXPECT_EQ(split.height, Gh());
  EXPECT_NEAR(split.width, Advance("xx abc"), 3);
  // The same word without tags moves to the next line.
  EXPECT_EQ(Lay("xx abc", width).height, 2 * Gh());
}

TEST_F(LayoutTest, EllipsisShowsOneLineAndNothingBelow) {
  options_.ellipsis = true;
  HTMLPaintResult result = Lay("a rather long first line of text<BR>second line", 60);
  EXPECT_EQ(result.height, Gh());
  EXPECT_FALSE(result.plain_text.contains("second"));
}

TEST_F(LayoutTest, AlignmentPlacesLinesAndParagraphEndKeepsIt) {
  const QString link = "<A href=\"x\">word</A>";
  int w = Advance("word");
  HTMLPaintResult centred = At("<P align=\"center\">" + link, QPoint(200, Gh() / 2));
  ASSERT_EQ(centred.anchor, "x");
  EXPECT_NEAR(centred.anchor_rect.left(), (400 - w) / 2.0, 2);

  // "</P>" ends the line but not the alignment.
  HTMLPaintResult right = At("<P align=\"right\">a</P>" + link, QPoint(399 - w / 2, Gh() * 3 / 2));
  ASSERT_EQ(right.anchor, "x");
  EXPECT_NEAR(right.anchor_rect.right(), 399, 2);
  EXPECT_EQ(right.anchor_rect.top(), Gh());

  HTMLPaintResult indented = At("<P indent=\"30\">" + link, QPoint(32, Gh() / 2));
  EXPECT_EQ(indented.anchor_rect.left(), 30);
}

TEST_F(LayoutTest, FontSizes) {
  QFont twelve = font_;
  twelve.setPointSize(12);
  QFont fourteen = font_;
  fourteen.setPointSize(14);
  EXPECT_EQ(Lay("<FONT size=\"3\">x</FONT>").height, QFontMetrics(twelve, &device_).height());
  EXPECT_EQ(Lay("<FONT size=\"14\">x</FONT>").height, QFontMetrics(fourteen, &device_).height());
  EXPECT_EQ(Lay("<FONT size=\"0\">x</FONT>").height, Gh());
  EXPECT_EQ(Lay("<FONT size=\"zz\">x</FONT>").height, Gh());
}

TEST_F(LayoutTest, AnchorsAreNumberedAndHitWithTheirRectangle) {
  const QString markup = "<A href=\"one\">aa</A> <A href=\"Two\">bb</A> <A href=\"3\">cc</A>";
  int x = Advance("aa bb") - 2;
  HTMLPaintResult result = At(markup, QPoint(x, Gh() / 2));
  EXPECT_EQ(result.anchor, "Two");  // case kept
  EXPECT_EQ(result.mouse_anchor, 2);
  EXPECT_EQ(result.anchor_count, 3);
  EXPECT_NEAR(result.anchor_rect.left(), Advance("aa "), 2);
  EXPECT_NEAR(result.anchor_rect.width(), Advance("bb"), 2);
  EXPECT_EQ(result.anchor_rect.top(), 0);
  EXPECT_EQ(result.anchor_rect.height(), Gh());

  options_.focus_anchor = 3;
  EXPECT_EQ(Lay(markup).focus_anchor, "3");
  options_.focus_anchor = -1;

  HTMLPaintResult miss = At(markup, QPoint(Advance("aa") + 1, Gh() / 2));
  EXPECT_EQ(miss.mouse_anchor, -1);
  EXPECT_TRUE(miss.anchor.isEmpty());
  EXPECT_TRUE(miss.anchor_rect.isNull());
}

TEST_F(LayoutTest, AnAnchorOverTwoLinesCoversBothPieces) {
  int width = Advance("xxxx aaa ") + 2;
  HTMLPaintResult result = At("xxxx <A href=\"l\">aaa bbb</A>", QPoint(2, Gh() * 3 / 2), width);
  ASSERT_EQ(result.anchor, "l");
  EXPECT_EQ(result.anchor_rect.top(), 0);
  EXPECT_EQ(result.anchor_rect.bottom(), 2 * Gh() - 1);
  EXPECT_EQ(result.anchor_rect.left(), 0);
}

TEST_F(LayoutTest, PicturesFromTheContainerTakeTheirSpace) {
  QImage red(20, 10, QImage::Format_RGB32);
  red.fill(Qt::red);
  pictures_.Add("Lips", HTMLPicture(red));
  int text = Advance("ab");
  EXPECT_NEAR(Lay("a<IMG src=\"lips\">b").width, text + 20, 2);
  EXPECT_NEAR(Lay("a<IMG src=\"lips\" width=\"40\" height=\"30\">b").width, text + 40, 2);
  EXPECT_EQ(Lay("a<IMG src=\"lips\" width=\"40\" height=\"30\">b").height, 30);
  // Not found: nothing drawn, nothing moved.
  EXPECT_NEAR(Lay("a<IMG src=\"speak\">b").width, text, 2);
  EXPECT_NEAR(Lay("a<IMG src=\"0\"></IMG>b").width, text, 2);

  HTMLPaintResult hit = At("<A href=\"pic\"><IMG src=\"lips\"></A>", QPoint(5, 5));
  EXPECT_EQ(hit.anchor, "pic");
  EXPECT_EQ(hit.mouse_image, 1);
}

TEST_F(LayoutTest, ImageListPicturesAndTheirScaleWhenPrinting) {
  ImageList images(QSize(16, 16));
  QImage blue(16, 16, QImage::Format_RGB32);
  blue.fill(Qt::blue);
  images.Add(blue);
  options_.images = &images;
  EXPECT_EQ(Lay("<IMG src=\"IDX:0\">").width, 16);
  EXPECT_EQ(Lay("<IMG src=\"idx:1\">").width, 0);
  options_.print = true;
  options_.scale = 2.0;
  EXPECT_EQ(Lay("<IMG src=\"IDX:0\">").width, 32);
}

TEST_F(LayoutTest, AnimationsFillTheirLargestFrameAndDrawTheCurrentOne) {
  QImage large(10, 10, QImage::Format_RGB32);
  large.fill(Qt::green);
  QImage small(4, 4, QImage::Format_RGB32);
  small.fill(Qt::blue);
  HTMLPicture animation;
  animation.AddFrame(large);
  animation.AddFrame(small, QPoint(3, 3));
  animation.SetCurrentFrame(1);
  pictures_.Add("anim", animation);
  EXPECT_EQ(Lay("<IMG src=\"anim\">").width, 10);

  QImage canvas(40, 20, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  options_.background = Qt::yellow;
  QPainter painter(&canvas);
  HTMLPaint(&painter, "<IMG src=\"anim\">", QRect(0, 0, 40, 20), options_, nullptr);
  painter.end();
  EXPECT_EQ(canvas.pixelColor(1, 1), QColor(Qt::yellow));
  EXPECT_EQ(canvas.pixelColor(4, 4), QColor(Qt::blue));
  EXPECT_EQ(canvas.pixelColor(12, 1), QColor(Qt::white));
}

TEST_F(LayoutTest, ShellIconsComeFromTheIconTheme) {
  testing::ScratchDir dir;
  QString root = QString::fromStdString(dir.path().string());
  for (int size : {16, 32}) {
    QString folder = QString("%1/icons/test/%2x%2/places").arg(root).arg(size);
    QDir().mkpath(folder);
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::darkYellow);
    ASSERT_TRUE(icon.save(folder + "/folder.png"));
  }
  testing::WriteFile(dir.File("icons/test/index.theme"),
                     "[Icon Theme]\nName=test\nDirectories=16x16/places,32x32/places\n"
                     "[16x16/places]\nSize=16\nType=Fixed\n"
                     "[32x32/places]\nSize=32\nType=Fixed\n");
  const QStringList paths = QIcon::themeSearchPaths();
  const QString theme = QIcon::themeName();
  QIcon::setThemeSearchPaths({root + "/icons"});
  QIcon::setThemeName("test");
  // The scratch directory's name has both cases: it must be used as written.
  EXPECT_EQ(Lay("<IMG src=\"SSYS:" + root + "\">").width, 16);
  EXPECT_EQ(Lay("<IMG src=\"LSYS:" + root + "\">").width, 32);
  EXPECT_EQ(Lay("<IMG src=\"SSYS:1\">").width, 16);
  EXPECT_EQ(Lay("<IMG src=\"SSYS:/no/such/place\">").width, 0);
  EXPECT_EQ(Lay("<IMG src=\"LSYS:99\">").width, 0);
  QIcon::setThemeName(theme);
  QIcon::setThemeSearchPaths(paths);
}

TEST_F(LayoutTest, AnImageThatDoesNotFitEndsTheLineBeforeIt) {
  QImage wide(100, 5, QImage::Format_RGB32);
  wide.fill(Qt::green);
  pictures_.Add("wide", HTMLPicture(wide));
  HTMLPaintResult result = Lay("abc<IMG src=\"wide\">", 100 + Advance("abc") / 2);
  EXPECT_EQ(result.height, 2 * Gh());
  // An indent leaves less than the full width; every line still takes its
  // first image, so nothing loops.
  EXPECT_EQ(Lay("<P indent=\"40\"><IMG src=\"wide\"><IMG src=\"wide\">", 120).height, 3 * Gh());
}

TEST_F(LayoutTest, TextHitsOnlyWithinTheTextHeightAboveItsBaseline) {
  QImage tall(10, 60, QImage::Format_RGB32);
  tall.fill(Qt::gray);
  pictures_.Add("tall", HTMLPicture(tall));
  const QString markup = "<IMG src=\"tall\"><A href=\"t\">text</A>";
  EXPECT_EQ(At(markup, QPoint(20, 59)).anchor, "t");
  EXPECT_TRUE(At(markup, QPoint(20, 5)).anchor.isEmpty());
  // Aligned to the image's top, the text moves up with it.
  const QString top = "<IMG src=\"tall\" align=\"top\"><A href=\"t\">text</A>";
  EXPECT_EQ(At(top, QPoint(20, 5)).anchor, "t");
}

TEST_F(LayoutTest, ListsIndentItemsAndASecondItemStartsALine) {
  HTMLPaintResult result =
      At("<UL><LI><A href=\"a\">one</A><LI>two<UL><LI><A href=\"b\">x</A></UL></UL>",
         QPoint(13, Gh() / 2));
  EXPECT_EQ(result.anchor, "a");
  EXPECT_EQ(result.anchor_rect.left(), 12);
  HTMLPaintResult deeper =
      At("<UL><LI>one<LI>two<UL><LI><A href=\"b\">x</A></UL></UL>", QPoint(25, Gh() * 5 / 2));
  EXPECT_EQ(deeper.anchor, "b");
  EXPECT_EQ(deeper.anchor_rect.left(), 24);
}

TEST_F(LayoutTest, HiddenTextTakesSpaceButIsNotHit) {
  HTMLPaintResult result = At("<A href=\"h\"><Z>gone</Z></A><A href=\"v\">seen</A>",
                              QPoint(Advance("gone") + 2, Gh() / 2));
  EXPECT_EQ(result.anchor, "v");
  EXPECT_TRUE(At("<A href=\"h\"><Z>gone</Z></A>", QPoint(2, Gh() / 2)).anchor.isEmpty());
}

TEST_F(LayoutTest, ScriptsMakeTheLineTaller) {
  int quarter = Gh() / 4;
  EXPECT_EQ(Lay("x<SUP>2</SUP>").height, Gh() + quarter);
  EXPECT_EQ(Lay("H<SUB>2</SUB>O<SUP>+</SUP>").height, Gh() + 2 * quarter);
}

TEST_F(LayoutTest, EntitiesAreTextNotTags) {
  EXPECT_EQ(Lay("&lt;B&gt;").plain_text, "<B>");
  EXPECT_EQ(Lay("a &amp; b").plain_text, "a && b");
  EXPECT_NEAR(Lay("a &amp; b").width, Advance("a & b"), 2);
  EXPECT_NEAR(Lay("&x").width, Advance("x"), 2);  // prefix: "&" underlines "x"
}

TEST_F(LayoutTest, MalformedMarkupDrawsWhatItCan) {
  EXPECT_EQ(Lay("before<B never closed").plain_text, "before");
  EXPECT_EQ(Lay("a<UNKNOWN>b</NOPE>c").plain_text, "abc");
  EXPECT_EQ(Lay("<A href=noquotes>x</A>").anchor_count, 1);
  EXPECT_NEAR(Lay("x<IND x=\"99999999999\">y").width, 100'000 + Advance("y"), 1);
}

TEST_F(LayoutTest, HostileInputStaysBoundedInTimeAndSpace) {
  QElapsedTimer timer;
  timer.start();
  QString nested = QString("<UL>").repeated(200'000) + "<LI>deep" + QString("</UL>").repeated(5);
  Lay(nested);
  Lay("<FONT size=\"999999\">huge</FONT><IMG src=\"x\" width=\"99999999\" height=\"99999999\">");
  QString megabyte = QString("word ").repeated(200'000);
  HTMLPaintResult words = Lay(megabyte, 300, 200);
  EXPECT_LE(words.height, 200 + 2 * Gh());  // laid out only to the bottom
  Lay(QString("x").repeated(1'000'000), 300, 200);
  Lay(QString("<").repeated(100'000) + ">" + QString("&amp;").repeated(100'000));
  options_.check_height = true;
  EXPECT_GT(Lay(QString("ab<BR>").repeated(20'000)).height, 19'000 * Gh());
  EXPECT_LT(timer.elapsed(), 20'000);
}

TEST_F(LayoutTest, MarkedTextGetsARedWavyLine) {
  QImage image(100, 30, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  HTMLPaint(&painter, "<E>marked</E>", QRect(0, 0, 100, 30), options_, nullptr);
  painter.end();
  int bottom = Gh();  // the run's bottom edge
  auto red = [&](int x, int y) { return image.pixelColor(x, y) == QColor(Qt::red); };
  // Below the bottom at multiples of 4, above it two pixels on.
  EXPECT_TRUE(red(0, bottom + 1));
  EXPECT_TRUE(red(2, bottom - 1));
  EXPECT_TRUE(red(4, bottom + 1));
  EXPECT_FALSE(red(0, bottom - 1));
}

}  // namespace
}  // namespace parlotto
