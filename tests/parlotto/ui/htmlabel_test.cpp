// The label widget: its text list, update counter, painting geometry,
// mouse handling and events.
#include "parlotto/ui/htmlabel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <memory>

#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

const QString kLink = "Please follow <A href=\"SAPIINSTALL\">this link</A> now.";

// Where the label drew its blue link text.
QRect LinkPixels(const QImage& image) {
  QRect area;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      QColor c = image.pixelColor(x, y);
      if (c.blue() > 160 && c.red() < 110 && c.green() < 110) area |= QRect(x, y, 1, 1);
    }
  }
  return area;
}

int CountPixels(const QImage& image, bool (*match)(QColor)) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += match(image.pixelColor(x, y)) ? 1 : 0;
  }
  return count;
}

bool IsDark(QColor c) { return c.lightness() < 100; }

int InkHeight(const QImage& image) {
  int top = -1;
  int bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!IsDark(image.pixelColor(x, y))) continue;
      if (top < 0) top = y;
      bottom = y;
    }
  }
  return top < 0 ? 0 : bottom - top + 1;
}
bool IsRed(QColor c) { return c.red() > 160 && c.green() < 90 && c.blue() < 90; }

class LabelTest : public ::testing::Test {
 protected:
  LabelTest() {
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    label_.setFont(font);
    label_.resize(300, 80);
  }

  void Send(QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::NoButton) {
    QMouseEvent event(type, QPointF(pos), QPointF(label_.mapToGlobal(pos)), button, button,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&label_, &event);
  }
  QImage Render() { return label_.grab().toImage(); }

  THTMLabel label_;
};

TEST_F(LabelTest, LinesRunTogetherAndTextOperationsWriteBack) {
  label_.HTMLText().Add("Two lines <B>in");
  label_.HTMLText().Add("</B> one<BR>second");
  EXPECT_EQ(label_.GetDisplText(), "Two lines <B>in</B> one<BR>second");
  EXPECT_EQ(label_.GetText(), "Two lines in one\r\nsecond");

  label_.SetHTMLText({"a\r\nb", "c\nd"});
  EXPECT_EQ(label_.HTMLText().Lines(), QStringList{"abcd"});

  label_.SetHTMLText({"Say <B>hello</B>, Hello"});
  label_.HilightText("hello", true);
  EXPECT_EQ(label_.GetDisplText(), "Say <hi><B>hello</hi></B>, Hello");
  label_.MarkText("HELLO", false);
  label_.UnHilightText();
  EXPECT_EQ(label_.GetDisplText(), "Say <e><B>hello</e></B>, <e>Hello</e>");
  label_.UnMarkText();
  EXPECT_EQ(label_.GetDisplText(), "Say <B>hello</B>, Hello");
}

TEST_F(LabelTest, UpdateCounterHoldsBackTheText) {
  label_.HTMLText().Add("<FONT size=\"20\">Text</FONT>");
  label_.BeginUpdate();
  label_.BeginUpdate();
  label_.EndUpdate();
  EXPECT_EQ(CountPixels(Render(), IsDark), 0);
  label_.EndUpdate();
  label_.EndUpdate();  // one too many does no harm
  EXPECT_GT(CountPixels(Render(), IsDark), 50);
}

TEST_F(LabelTest, ClicksOnAnchorsFireOrOpenAddresses) {
  testing::ScratchDir dir;
  testing::ScopedEnv record("PARLOTTO_SHELL", ("record:" + dir.File("shell")).c_str());
  QStringList clicks;
  QObject::connect(&label_, &THTMLabel::OnAnchorClick, [&](const QString& a) { clicks << a; });
  label_.HTMLText().Add(kLink);
  QRect link = LinkPixels(Render());
  ASSERT_FALSE(link.isEmpty());

  Send(QEvent::MouseButtonPress, link.center(), Qt::LeftButton);
  Send(QEvent::MouseButtonPress, link.center(), Qt::RightButton);
  Send(QEvent::MouseButtonPress, QPoint(2, link.center().y()), Qt::LeftButton);
  EXPECT_EQ(clicks, (QStringList{"SAPIINSTALL", "SAPIINSTALL"}));
  EXPECT_TRUE(testing::ReadFile(dir.File("shell")).empty());

  label_.SetHTMLText(
      {"<A href=\"https://example.org/x\">web</A> <A href=\"mailto:a@b.c\">mail</A>"});
  QRect web = LinkPixels(Render());
  Send(QEvent::MouseButtonPress, QPoint(web.left() + 2, web.center().y()), Qt::LeftButton);
  Send(QEvent::MouseButtonPress, QPoint(web.right() - 2, web.center().y()), Qt::LeftButton);
  EXPECT_EQ(clicks.size(), 2);
  EXPECT_EQ(testing::ReadFile(dir.File("shell")),
            "open\thttps://example.org/x\t\nopen\tmailto:a@b.c\t\n");
}

TEST_F(LabelTest, HitTestsFollowThePaintedTextInEveryVerticalAlignment) {
  label_.resize(300, 120);
  label_.HTMLText().Add("<P align=\"center\">" + kLink);
  label_.SetBevelOuter(bvRaised);
  label_.SetBevelInner(bvLowered);
  label_.SetBevelWidth(3);
  label_.SetBorderStyle(bsSingle);
  label_.SetBorderWidth(2);
  QRect top_link;
  for (TVAlignment alignment : {tvaTop, tvaCenter, tvaBottom}) {
    label_.SetVAlignment(alignment);
    QRect link = LinkPixels(Render());
    ASSERT_FALSE(link.isEmpty()) << alignment;
    QRect area;
    EXPECT_EQ(label_.IsAnchor(link.center().x(), link.center().y(), &area), "SAPIINSTALL")
        << alignment;
    EXPECT_TRUE(area.contains(link)) << alignment;
    EXPECT_EQ(label_.HoveredAnchor(), 1);
    if (alignment == tvaTop) {
      top_link = link;
    } else {
      EXPECT_GT(link.top(), top_link.bottom());
      EXPECT_TRUE(label_.IsAnchor(top_link.center().x(), top_link.center().y()).isEmpty());
      EXPECT_EQ(label_.HoveredAnchor(), -1);
    }
  }
}

TEST_F(LabelTest, PointingAtAnchorsFiresEnterAndExit) {
  QStringList events;
  QObject::connect(&label_, &THTMLabel::OnAnchorEnter, [&](auto& a) { events << "enter " + a; });
  QObject::connect(&label_, &THTMLabel::OnAnchorExit, [&](auto& a) { events << "exit " + a; });
  QObject::connect(&label_, &THTMLabel::OnMouseEnter, [&] { events << "mouse in"; });
  QObject::connect(&label_, &THTMLabel::OnMouseLeave, [&] { events << "mouse out"; });
  label_.HTMLText().Add(kLink);
  QRect link = LinkPixels(Render());

  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(label_.mapToGlobal(QPoint(1, 1))));
  QCoreApplication::sendEvent(&label_, &enter);
  Send(QEvent::MouseMove, QPoint(2, link.center().y()));
  Send(QEvent::MouseMove, link.center());
  EXPECT_EQ(label_.cursor().shape(), Qt::PointingHandCursor);
  Send(QEvent::MouseMove, link.center() + QPoint(1, 0));  // same anchor: nothing new
  Send(QEvent::MouseMove, QPoint(2, link.center().y()));
  EXPECT_NE(label_.cursor().shape(), Qt::PointingHandCursor);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&label_, &leave);
  EXPECT_EQ(events,
            (QStringList{"mouse in", "enter SAPIINSTALL", "exit SAPIINSTALL", "mouse out"}));
}

TEST_F(LabelTest, HoverStyleColoursOnlyTheAnchorUnderTheMouse) {
  label_.SetHover(true);
  label_.SetHoverFontColor(clRed);
  label_.HTMLText().Add(kLink);
  QRect link = LinkPixels(Render());
  ASSERT_FALSE(link.isEmpty());
  EXPECT_EQ(CountPixels(Render(), IsRed), 0);
  Send(QEvent::MouseMove, link.center());
  QImage hovered = Render();
  EXPECT_GT(CountPixels(hovered, IsRed), 20);
  EXPECT_TRUE(LinkPixels(hovered).isEmpty());
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&label_, &leave);
  EXPECT_EQ(CountPixels(Render(), IsRed), 0);
}

TEST_F(LabelTest, AnchorHintShowsTheValueTheHandlerChose) {
  label_.SetAnchorHint(true);
  QObject::connect(&label_, &THTMLabel::OnAnchorHint, [](QString& a) { a = "Hint: " + a; });
  label_.HTMLText().Add(kLink);
  label_.show();
  QRect link = LinkPixels(Render());
  QHelpEvent help(QEvent::ToolTip, link.center(), label_.mapToGlobal(link.center()));
  EXPECT_TRUE(QCoreApplication::sendEvent(&label_, &help));
  EXPECT_EQ(QToolTip::text(), "Hint: SAPIINSTALL");
  QToolTip::hideText();
}

TEST_F(LabelTest, PrintsWithPrintColoursAtTheTargetsResolution) {
  label_.SetURLColor(clRed);
  label_.HTMLText().Add(kLink);
  auto print = [&](int dpi) {
    QImage page(600, 160, QImage::Format_RGB32);
    page.setDotsPerMeterX(qRound(dpi / 0.0254));
    page.setDotsPerMeterY(qRound(dpi / 0.0254));
    page.fill(Qt::white);
    QPainter painter(&page);
    label_.HTMLPrint(&painter, QRect(0, 0, 600, 160));
    return page;
  };
  QImage screen = print(96);
  QImage fine = print(192);
  EXPECT_EQ(CountPixels(screen, IsRed), 0);
  QRect link = LinkPixels(screen);
  ASSERT_FALSE(link.isEmpty());
  // The label's font is in pixels, so only points would grow; its links
  // still come out blue at any resolution.
  EXPECT_FALSE(LinkPixels(fine).isEmpty());

  label_.HTMLText().Clear();
  label_.HTMLText().Add("<FONT size=\"12\">Big</FONT>");
  int tall = InkHeight(print(192));
  int small = InkHeight(print(96));
  EXPECT_NEAR(tall, 2 * small, 3);
}

TEST_F(LabelTest, AutoSizingFitsTheHeightToTheText) {
  label_.resize(300, 10);
  label_.HTMLText().Add("one<BR>two<BR>three");
  label_.SetAutoSizing(true);
  Render();
  QCoreApplication::processEvents();
  int gh = QFontMetrics(label_.font(), &label_).height();
  EXPECT_EQ(label_.height(), 3 * gh + 6);
  EXPECT_EQ(label_.width(), 300);

  label_.SetAutoSizeType(asHorizontal);
  label_.HTMLText().Clear();
  label_.HTMLText().Add("<P align=\"center\">" + kLink);
  Render();
  QCoreApplication::processEvents();
  QRect link = LinkPixels(Render());
  EXPECT_GT(link.left(), 0);
  EXPECT_LT(link.right(), label_.width());  // centred in the new width, not off to the side
}

TEST_F(LabelTest, PicturesComeFromTheContainerUntilItIsGone) {
  auto pictures = std::make_unique<TPictureContainer>();
  QImage square(30, 30, QImage::Format_RGB32);
  square.fill(Qt::darkGreen);
  pictures->Add("speak", HTMLPicture(square));
  label_.HTMLText().Add("<IMG src=\"speak\"><A href=\"x\">link</A>");
  EXPECT_TRUE(label_.IsAnchor(3, 20).isEmpty());
  label_.SetPictureContainer(pictures.get());
  EXPECT_EQ(label_.IsAnchor(34, 25), "x");
  pictures.reset();
  EXPECT_EQ(label_.PictureContainer(), nullptr);
  EXPECT_EQ(label_.IsAnchor(3, 5), "x");
  Render();
}

TEST_F(LabelTest, AddressPicturesArriveInTheBackground) {
  testing::ScratchDir dir;
  QImage square(25, 25, QImage::Format_RGB32);
  square.fill(Qt::magenta);
  ASSERT_TRUE(square.save(QString::fromStdString(dir.File("Lips.png"))));
  QString url = "file://" + QString::fromStdString(dir.File("Lips.png"));
  label_.HTMLText().Add("<IMG src=\"" + url + "\"><A href=\"x\">link</A>");
  EXPECT_EQ(label_.IsAnchor(3, 8), "x");  // not there yet: no space taken
  QElapsedTimer timer;
  timer.start();
  while (label_.IsAnchor(3, 8) == "x" && timer.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  EXPECT_EQ(label_.IsAnchor(28, 20), "x");
  // A new text forgets it and fetches again.
  label_.HTMLText().Clear();
  label_.HTMLText().Add("<IMG src=\"" + url + "\"><A href=\"x\">link</A>");
  EXPECT_EQ(label_.IsAnchor(3, 8), "x");
}

}  // namespace
}  // namespace parlotto
