// The character window on a real X display (see on_x_display.sh): what the
// user sees and does, with real pointer input through xdotool.
#include "agentsvr/character_window/character_window.h"

#include <QtGui/qguiapplication_platform.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "agentsvr/character_window/balloon_window.h"
#include "agentsvr/character_window/test_character.h"

namespace parlotto::agent {
namespace {

using test::MakeTestCharacter;
using test::MouthFrameOf;
using test::ShowsFrame;

void Spin(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}

template <typename Predicate>
bool WaitUntil(Predicate done, int timeout_ms = 15000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeout_ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return done();
}

QWidget* TopLevel(const QString& name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name) return widget;
  }
  return nullptr;
}

bool HaveXdotool() { return !QStandardPaths::findExecutable("xdotool").isEmpty(); }

void Xdotool(const QStringList& arguments) {
  ASSERT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

class CharacterWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X display";
    stage_ = CreateCharacterWindow(character_);
    stage_->on_command = [this](LONG id) { commands_.push_back(id); };
    stage_->on_hide_chosen = [this] { ++hides_chosen_; };
    stage_->on_moved = [this](QPoint at) { moves_.push_back(at); };
  }

  QWidget* Figure() const { return TopLevel("parlotto-character"); }
  QWidget* Balloon() const { return TopLevel("parlotto-character-balloon"); }
  QImage Shown() const { return Figure()->grab().toImage(); }
  bool Showing(int frame) const { return ShowsFrame(Shown(), character_, frame); }

  // Shows the figure fast at `at` and waits until it is on the screen.
  void ShowAt(QPoint at) {
    stage_->SetPosition(at);
    bool done = false;
    stage_->Show(true, [&] { done = true; });
    ASSERT_TRUE(WaitUntil([&] {
      return done && Figure()->windowHandle() != nullptr && Figure()->windowHandle()->isExposed();
    }));
    Spin(100);  // the window manager's moves settle
  }

  // Where the X server has the figure's window: its own answer, not Qt's.
  QPoint ServerPosition() const {
    QProcess xwininfo;
    xwininfo.start("xwininfo", {"-id", QString::number(Figure()->winId())});
    xwininfo.waitForFinished(5000);
    const QString out = QString::fromUtf8(xwininfo.readAllStandardOutput());
    const auto x = QRegularExpression("Absolute upper-left X:\\s+(-?\\d+)").match(out);
    const auto y = QRegularExpression("Absolute upper-left Y:\\s+(-?\\d+)").match(out);
    return x.hasMatch() && y.hasMatch() ? QPoint(x.captured(1).toInt(), y.captured(1).toInt())
                                        : QPoint(-99999, -99999);
  }

  // A point on the figure's face, in screen pixels.
  QPoint OnFace() const { return stage_->Position() + QPoint(48, 60); }

  Character character_ = MakeTestCharacter();
  std::unique_ptr<Stage> stage_;
  std::vector<LONG> commands_;
  int hides_chosen_ = 0;
  std::vector<QPoint> moves_;
};

TEST_F(CharacterWindowTest, PositionRoundTripsExactlyAndIsWhereTheWindowIsOnTheScreen) {
  stage_->SetPosition(QPoint(123, 77));
  EXPECT_EQ(stage_->Position(), QPoint(123, 77));
  EXPECT_EQ(stage_->FrameSize(), QSize(96, 112));
  ShowAt(QPoint(211, 143));
  EXPECT_EQ(stage_->Position(), QPoint(211, 143));
  EXPECT_EQ(ServerPosition(), QPoint(211, 143));
  EXPECT_EQ(Figure()->size(), QSize(96, 112));

  stage_->SetPosition(QPoint(500, 301));
  ASSERT_TRUE(WaitUntil([&] { return ServerPosition() == QPoint(500, 301); }));
  Spin(100);
  EXPECT_EQ(stage_->Position(), QPoint(500, 301));
  EXPECT_EQ(ServerPosition(), QPoint(500, 301));
  EXPECT_EQ(Figure()->windowType(), Qt::Tool) << "no task bar entry";
  EXPECT_TRUE(Figure()->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(Figure()->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(CharacterWindowTest, ShowHideAndPlayEachCallDoneOnceAndNeverFromInsideTheCall) {
  int shows = 0;
  int plays = 0;
  int hides = 0;
  stage_->Show(false, [&] { ++shows; });
  EXPECT_EQ(shows, 0);
  EXPECT_TRUE(stage_->Visible());
  EXPECT_TRUE(Showing(test::kSmallFrame)) << "the show animation begins at once";
  ASSERT_TRUE(WaitUntil([&] { return shows > 0; }));
  EXPECT_TRUE(stage_->Play("Wave", [&] { ++plays; }));
  EXPECT_EQ(plays, 0);
  ASSERT_TRUE(WaitUntil([&] { return plays > 0; }));
  EXPECT_TRUE(Showing(test::kBrowsFrame)) << "rests on the animation's end frame";
  stage_->Hide(false, [&] { ++hides; });
  EXPECT_EQ(hides, 0);
  EXPECT_TRUE(stage_->Visible()) << "visible until the hide animation has ended";
  EXPECT_TRUE(Figure()->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return hides > 0; }));
  EXPECT_FALSE(stage_->Visible());
  EXPECT_FALSE(Figure()->isVisible());
  Spin(300);
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(plays, 1);
  EXPECT_EQ(hides, 1);
}

TEST_F(CharacterWindowTest, AnAnimationCutShortByStopOrANewerRequestStillCallsDoneOnce) {
  ShowAt(QPoint(300, 300));
  int first = 0;
  int second = 0;
  int hide = 0;
  ASSERT_TRUE(stage_->Play("long", [&] { ++first; }));
  ASSERT_TRUE(stage_->Play("long", [&] { ++second; }));
  stage_->StopAnimation();
  EXPECT_EQ(first + second, 0);
  ASSERT_TRUE(WaitUntil([&] { return first == 1 && second == 1; }, 10000));
  EXPECT_TRUE(Showing(test::kRestFrame));

  ASSERT_TRUE(stage_->Play("long", [&] { ++first; }));
  stage_->Hide(false, [&] { ++hide; });
  stage_->StopAnimation();
  ASSERT_TRUE(WaitUntil([&] { return first == 2 && hide == 1; }, 10000));
  EXPECT_FALSE(Figure()->isVisible()) << "a hide cut short still hides";
  Spin(200);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 1);
  EXPECT_EQ(hide, 1);
}

TEST_F(CharacterWindowTest, AnUnknownAnimationIsRefusedAndItsDoneNeverComesWhileNamesIgnoreCase) {
  bool called = false;
  EXPECT_FALSE(stage_->Play("Juggle", [&] { called = true; }));
  int waves = 0;
  EXPECT_TRUE(stage_->Play("WAVE", [&] { ++waves; }));
  ASSERT_TRUE(WaitUntil([&] { return waves == 1; }));
  Spin(100);
  EXPECT_FALSE(called);
}

TEST_F(CharacterWindowTest, FastShowAndHideSkipTheirAnimations) {
  bool shown = false;
  stage_->Show(true, [&] { shown = true; });
  EXPECT_TRUE(Showing(test::kRestFrame));
  EXPECT_TRUE(Figure()->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return shown; }));
  bool hidden = false;
  stage_->Hide(true, [&] { hidden = true; });
  EXPECT_FALSE(Figure()->isVisible());
  EXPECT_FALSE(stage_->Visible());
  ASSERT_TRUE(WaitUntil([&] { return hidden; }));
}

TEST_F(CharacterWindowTest, TheMouthFollowsTheSoundsAtOnceWithFallbacksAndRestsAfterSpeech) {
  character_.mouth_frames[kMouthRound] = -1;
  character_.mouth_frames[kMouthClosed] = -1;
  stage_ = CreateCharacterWindow(character_);
  ShowAt(QPoint(400, 400));
  stage_->SpeechStarted("Oma ruft.");
  stage_->SpeakingMouth(kMouthOpen);
  EXPECT_TRUE(Showing(MouthFrameOf(kMouthOpen)));
  stage_->SpeakingMouth(kMouthNarrow);
  EXPECT_TRUE(Showing(MouthFrameOf(kMouthNarrow)));
  stage_->SpeakingMouth(kMouthRound);
  EXPECT_TRUE(Showing(MouthFrameOf(kMouthOpen))) << "a sound without its own frame opens the mouth";
  stage_->SpeakingMouth(kMouthClosed);
  EXPECT_TRUE(Showing(test::kRestFrame)) << "closed lips without their own frame rest";
  stage_->SpeakingMouth(kMouthTongue);
  stage_->SpeechEnded();
  EXPECT_TRUE(Showing(test::kRestFrame));

  character_.mouth_frames[kMouthOpen] = -1;
  stage_ = CreateCharacterWindow(character_);
  ShowAt(QPoint(400, 400));
  stage_->SpeechStarted("Oma ruft.");
  stage_->SpeakingMouth(kMouthRound);
  EXPECT_TRUE(Showing(test::kRestFrame)) << "no open mouth either: the rest frame";
}

// A desktop that the X server paints at once where a window uncovers it.
void PaintDesktop(uint32_t rgb) {
  xcb_connection_t* x = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
  xcb_change_window_attributes(x, root, XCB_CW_BACK_PIXEL, &rgb);
  xcb_clear_area(x, 0, root, 0, 0, 0, 0);
}

// Without a compositor (as here) a frame in the wrong shape, or in none,
// shows clear pixels black: each shows just its pixels of half opacity.
TEST_F(CharacterWindowTest, EachFrameShowsOnlyItsOwnPixelsFromTheMomentItIsDrawn) {
  const QRgb desktop = 0x285a8c;
  PaintDesktop(desktop);
  character_.mouth_frames[kMouthOpen] = test::kClearFrame;
  character_.mouth_frames[kMouthMid] = test::kFaintFrame;
  character_.mouth_frames[kMouthNarrow] = test::kSmallFrame;
  stage_ = CreateCharacterWindow(character_);
  ShowAt(QPoint(200, 200));
  QImage strip(character_.frame_size.width() * 8, character_.frame_size.height(),
               QImage::Format_RGB32);
  int step = 0;
  for (const MouthShape shape : {kMouthNarrow, kMouthRest, kMouthOpen, kMouthRest, kMouthMid,
                                 kMouthNarrow, kMouthOpen, kMouthNarrow}) {
    stage_->SpeakingMouth(shape);
    Spin(30);  // well within an animation step
    const QImage screen =
        QGuiApplication::primaryScreen()->grabWindow(0, 200, 200, 96, 112).toImage();
    QPainter(&strip).drawImage(96 * step++, 0, screen);
    const QImage want =
        character_.frames[shape == kMouthRest ? test::kRestFrame : character_.mouth_frames[shape]]
            .convertToFormat(QImage::Format_ARGB32);
    int wrong = 0;
    for (int y = 0; y < want.height(); ++y) {
      for (int x = 0; x < want.width(); ++x) {
        const QRgb expected = qAlpha(want.pixel(x, y)) >= 128 ? want.pixel(x, y) : desktop;
        wrong += ((screen.pixel(x, y) ^ expected) & 0xffffffu) != 0 ? 1 : 0;
      }
    }
    EXPECT_EQ(wrong, 0) << step;
  }
  QDir().mkpath(PARLOTTO_BUILD_DIR "/artifacts/character");
  strip.save(PARLOTTO_BUILD_DIR "/artifacts/character/frame-shapes.png");
}

TEST_F(CharacterWindowTest, WhileIdleItBlinksAndRepaintsOnlyWhenTheFrameChanges) {
  ShowAt(QPoint(100, 500));
  PaintCounter counter;
  Figure()->installEventFilter(&counter);
  // The idle loop (300 ms open, 100 ms shut) begins two seconds after rest.
  ASSERT_TRUE(WaitUntil([&] { return Showing(test::kBlinkFrame); }, 10000));
  counter.paints = 0;
  Spin(2000);
  // Five loops in two seconds: ten frame changes, and no more paints.
  EXPECT_GE(counter.paints, 2);
  EXPECT_LE(counter.paints, 12);
  Figure()->removeEventFilter(&counter);

  // Stopping with no request running leaves the idle loop going.
  stage_->StopAnimation();
  ASSERT_TRUE(WaitUntil([&] { return Showing(test::kRestFrame); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return Showing(test::kBlinkFrame); }, 5000));
}

TEST_F(CharacterWindowTest, ARealRightClickOpensTheMenuAndPickingAnEntryCallsItsCommand) {
  if (!HaveXdotool()) GTEST_SKIP() << "xdotool missing";
  stage_->SetMenu({{11, "Vorlesen"},
                   {12, "Geheim", true, false},
                   {13, "Gesperrt", false, true},
                   {14, "Einstellungen"}},
                  "Ausblenden");
  ShowAt(QPoint(300, 200));
  for (const QString& pick :
       {QString("Einstellungen"), QString("Gesperrt"), QString("Ausblenden")}) {
    const QPoint face = OnFace();
    Xdotool({"mousemove", QString::number(face.x()), QString::number(face.y()), "click", "3"});
    QMenu* menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      return menu != nullptr && menu->windowHandle() != nullptr &&
             menu->windowHandle()->isExposed();
    }));
    Spin(100);
    QStringList captions;
    QAction* target = nullptr;
    for (QAction* action : menu->actions()) {
      captions << (action->isSeparator() ? QString("-") : action->text());
      if (action->text() == pick) target = action;
    }
    EXPECT_EQ(captions, (QStringList{"Vorlesen", "Gesperrt", "Einstellungen", "-", "Ausblenden"}));
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->isEnabled(), pick != "Gesperrt");
    const QPoint at = menu->mapToGlobal(menu->actionGeometry(target).center());
    Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    if (pick == "Gesperrt") {
      Spin(300);
      // A disabled entry does nothing; the menu goes with a click outside.
      Xdotool({"mousemove", "5", "5", "click", "1"});
    }
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activePopupWidget() == nullptr; }));
    Spin(200);
  }
  EXPECT_EQ(commands_, (std::vector<LONG>{14}));
  EXPECT_EQ(hides_chosen_, 1);
}

TEST_F(CharacterWindowTest, ThePointerOnTransparentPixelsReachesWhatIsBehind) {
  if (!HaveXdotool()) GTEST_SKIP() << "xdotool missing";
  ShowAt(QPoint(300, 200));
  // Drags from a transparent corner and, with no compositor to blend it
  // (as here), from a faint patch do not take the figure along.
  ASSERT_EQ(qAlpha(character_.frames[test::kRestFrame].pixel(94, 2)), 0);
  ASSERT_LT(qAlpha(character_.frames[test::kRestFrame].pixel(2, 2)), 128);
  for (const QPoint at : {QPoint(394, 202), QPoint(302, 202)}) {
    Xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "mousedown", "1"});
    Xdotool({"mousemove", QString::number(at.x() + 50), QString::number(at.y() + 40)});
    Spin(100);
    Xdotool({"mouseup", "1"});
    Spin(500);
    EXPECT_TRUE(moves_.empty()) << at.x();
    EXPECT_EQ(stage_->Position(), QPoint(300, 200));
  }
}

TEST_F(CharacterWindowTest, DraggingWithTheLeftButtonMovesTheFigureAndReportsWhereItLanded) {
  if (!HaveXdotool()) GTEST_SKIP() << "xdotool missing";
  ShowAt(QPoint(200, 200));
  QPoint face = OnFace();
  Xdotool({"mousemove", QString::number(face.x()), QString::number(face.y()), "click", "1"});
  Spin(300);
  EXPECT_TRUE(moves_.empty()) << "a click is no move";

  Xdotool({"mousemove", QString::number(face.x()), QString::number(face.y()), "mousedown", "1"});
  Xdotool({"mousemove", QString::number(face.x() + 40), QString::number(face.y() + 20)});
  Spin(100);
  Xdotool({"mousemove", QString::number(face.x() + 150), QString::number(face.y() + 90)});
  Spin(100);
  Xdotool({"mouseup", "1"});
  ASSERT_TRUE(WaitUntil([&] { return !moves_.empty(); }));
  Spin(100);
  EXPECT_EQ(moves_, (std::vector<QPoint>{QPoint(350, 290)}));
  EXPECT_EQ(stage_->Position(), QPoint(350, 290));
  EXPECT_TRUE(WaitUntil([&] { return ServerPosition() == QPoint(350, 290); }));
}

TEST_F(CharacterWindowTest, TheBalloonStaysOnTheScreenNearEachEdge) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QString text =
      "Sehr geehrte Fahrgäste, wegen einer Signalstörung verzögert sich die Weiterfahrt um "
      "einige Minuten. Wir bitten um Ihr Verständnis und danken für Ihre Geduld.";
  const int right = screen.width() - 96;
  const int bottom = screen.height() - 112;
  for (const QPoint at :
       {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom), QPoint(460, 0),
        QPoint(460, bottom), QPoint(0, 320), QPoint(right, 320)}) {
    ShowAt(at);
    stage_->SpeechStarted(text);
    stage_->SpeakingWord(0, 4);
    ASSERT_TRUE(WaitUntil([&] { return Balloon() != nullptr && Balloon()->isVisible(); }));
    Spin(50);
    const QRect balloon = Balloon()->geometry();
    EXPECT_TRUE(screen.contains(balloon)) << at.x() << "," << at.y();
    EXPECT_LE(balloon.width(), 380);
    EXPECT_FALSE(balloon.intersects(QRect(at, QSize(96, 112)).adjusted(0, 8, 0, 0)))
        << "covers the figure at " << at.x() << "," << at.y();
    stage_->SpeechEnded();
  }
}

// The horizontal extent of the highlight's colour in the balloon.
std::pair<int, int> HighlightColumns(const QImage& image) {
  int left = image.width();
  int right = -1;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == qRgb(255, 201, 77)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  return {left, right};
}

TEST_F(CharacterWindowTest, TheHighlightFollowsTheSpokenWordAlsoPastTheShownLines) {
  ShowAt(QPoint(300, 400));
  const QString text =
      "Eins zwei drei vier fünf sechs sieben acht neun zehn elf zwölf dreizehn "
      "vierzehn fünfzehn sechzehn siebzehn achtzehn neunzehn zwanzig einundzwanzig "
      "zweiundzwanzig dreiundzwanzig vierundzwanzig fünfundzwanzig sechsundzwanzig "
      "Ende.";
  stage_->SpeechStarted(text);
  ASSERT_TRUE(WaitUntil([&] { return Balloon() != nullptr && Balloon()->isVisible(); }));
  EXPECT_EQ(HighlightColumns(Balloon()->grab().toImage()).second, -1) << "nothing spoken yet";
  stage_->SpeakingWord(0, 4);
  const auto eins = HighlightColumns(Balloon()->grab().toImage());
  stage_->SpeakingWord(10, 4);
  const auto drei = HighlightColumns(Balloon()->grab().toImage());
  ASSERT_GE(eins.second, 0);
  ASSERT_GE(drei.second, 0);
  EXPECT_GT(drei.first, eins.second);
  const QSize size = Balloon()->size();
  stage_->SpeakingWord(static_cast<int>(text.indexOf("Ende")), 4);
  const auto ende = HighlightColumns(Balloon()->grab().toImage());
  EXPECT_GE(ende.second, 0) << "the last word is shown and highlighted";
  EXPECT_EQ(Balloon()->size(), size) << "the balloon keeps its size while the lines move";
}

// A line of 300,000 characters without a blank, as in a damaged file.
TEST_F(CharacterWindowTest, AHugeTextIsLaidOutASliceAtATimeAroundTheSpokenWord) {
  ShowAt(QPoint(300, 400));
  const QString text(300'000, QLatin1Char('x'));
  stage_->SpeechStarted(text);
  ASSERT_TRUE(WaitUntil([&] { return Balloon() != nullptr && Balloon()->isVisible(); }));
  auto* balloon = dynamic_cast<BalloonWindow*>(Balloon());
  ASSERT_NE(balloon, nullptr);
  EXPECT_EQ(balloon->SliceLength(), BalloonWindow::kSliceLength);
  stage_->SpeakingWord(250'000, 5);
  EXPECT_LE(balloon->SliceStart(), 250'000);
  EXPECT_GE(balloon->SliceStart() + balloon->SliceLength(), 250'005);
  EXPECT_GE(HighlightColumns(balloon->grab().toImage()).second, 0);
}

TEST_F(CharacterWindowTest, TheBalloonGoesShortlyAfterTheSpeechAndAtOnceOnHide) {
  stage_->SpeechStarted("Niemand sieht mich.");
  Spin(50);
  EXPECT_TRUE(Balloon() == nullptr || !Balloon()->isVisible()) << "no balloon while hidden";
  stage_->SpeechEnded();

  ShowAt(QPoint(300, 400));
  stage_->SpeechStarted("Guten Tag.");
  ASSERT_TRUE(WaitUntil([&] { return Balloon()->isVisible(); }));
  stage_->SpeechEnded();
  Spin(300);
  EXPECT_TRUE(Balloon()->isVisible()) << "lingers a little";
  EXPECT_TRUE(WaitUntil([&] { return !Balloon()->isVisible(); }, 10000));

  stage_->SpeechStarted("Auf Wiedersehen.");
  ASSERT_TRUE(WaitUntil([&] { return Balloon()->isVisible(); }));
  stage_->Hide(false, nullptr);
  EXPECT_FALSE(Balloon()->isVisible());

  stage_->Show(true, nullptr);
  stage_->SpeechStarted(" ");
  Spin(100);
  EXPECT_FALSE(Balloon()->isVisible()) << "no balloon without words";
}

TEST_F(CharacterWindowTest, TheBalloonFollowsTheFigureWhenItMoves) {
  ShowAt(QPoint(300, 400));
  stage_->SpeechStarted("Ich komme mit.");
  ASSERT_TRUE(WaitUntil([&] { return Balloon()->isVisible(); }));
  const QPoint before = Balloon()->pos();
  stage_->SetPosition(QPoint(360, 450));
  EXPECT_EQ(Balloon()->pos(), before + QPoint(60, 50));
}

}  // namespace
}  // namespace parlotto::agent
