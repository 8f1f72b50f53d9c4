// Screenshots of the character on a private X display: idle, speaking with
// its balloon, and with its menu open, saved to the build directory's
// artifacts/character for people to look at.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "agentsvr/character_window/character_window.h"
#include "character_format/character_file.h"

namespace parlotto::agent {
namespace {

void Spin(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}

QWidget* TopLevel(const QString& name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name) return widget;
  }
  return nullptr;
}

// Something like a desktop behind the character, so that its translucency
// shows: a gradient with a document window on it. Unmanaged and lowered:
// the window manager stacks a managed window of the character's own
// program by its group, not by its layer.
class Backdrop : public QWidget {
 public:
  Backdrop() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint) {
    setGeometry(QGuiApplication::primaryScreen()->geometry());
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, width(), height());
    gradient.setColorAt(0, QColor(40, 90, 140));
    gradient.setColorAt(1, QColor(120, 170, 200));
    painter.fillRect(rect(), gradient);
    const QRect document(80, 90, 520, 460);
    painter.fillRect(document, QColor(250, 250, 250));
    painter.fillRect(document.adjusted(0, 0, 0, -document.height() + 28), QColor(60, 60, 70));
    painter.setPen(QColor(120, 120, 120));
    for (int y = document.top() + 60; y < document.bottom() - 20; y += 22) {
      painter.drawLine(document.left() + 24, y, document.right() - 24 - (y % 5) * 30, y);
    }
  }
};

QImage Grab() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

QString ArtifactsDir() {
  QString dir = QStringLiteral(PARLOTTO_BUILD_DIR "/artifacts/character");
  QDir().mkpath(dir);
  return dir;
}

void Save(const QImage& image, const QString& name) {
  const QString path = ArtifactsDir() + "/" + name;
  ASSERT_TRUE(image.save(path)) << path.toStdString();
  EXPECT_GT(QFileInfo(path).size(), 1000);
}

TEST(CharacterScreenshots, ShowsTheCharacterIdleSpeakingAndWithItsMenu) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X display";
  Backdrop backdrop;
  backdrop.show();
  backdrop.lower();
  QString error;
  const auto loaded = LoadCharacterFile(PARLOTTO_DEFAULT_CHARACTER, &error);
  ASSERT_TRUE(loaded) << error.toStdString();
  const Character& character = *loaded;
  auto stage = CreateCharacterWindow(character);
  stage->SetMenu({{1, "Info"}, {2, "Einstellungen"}, {3, "Beenden"}}, "Ausblenden");
  const QPoint at(620, 420);
  stage->SetPosition(at);
  stage->Show(true, nullptr);
  Spin(800);

  const QImage idle = Grab();
  Save(idle, "idle.png");
  // The figure's opaque pixels are on the screen as drawn, and what is
  // transparent around it shows the desktop.
  QWidget* figure = TopLevel("parlotto-character");
  ASSERT_NE(figure, nullptr);
  const QImage drawn = figure->grab().toImage();
  int opaque = 0;
  int matching = 0;
  for (int y = 0; y < drawn.height(); ++y) {
    for (int x = 0; x < drawn.width(); ++x) {
      if (qAlpha(drawn.pixel(x, y)) != 255) continue;
      ++opaque;
      if (idle.pixel(at + QPoint(x, y)) == drawn.pixel(x, y)) ++matching;
    }
  }
  EXPECT_GT(opaque, drawn.width() * drawn.height() / 10);
  EXPECT_EQ(matching, opaque);
  EXPECT_EQ(idle.pixel(at), backdrop.grab().toImage().pixel(at)) << "the corner is transparent";

  const QString sentence =
      "Guten Morgen! Heute lesen wir gemeinsam die Zeitung, und ich erkläre Ihnen die schwierigen "
      "Wörter.";
  stage->SpeechStarted(sentence);
  stage->SpeakingWord(static_cast<int>(sentence.indexOf("gemeinsam")), 9);
  stage->SpeakingMouth(kMouthOpen);
  Spin(500);
  const QImage speaking = Grab();
  Save(speaking, "speaking.png");
  QWidget* balloon = TopLevel("parlotto-character-balloon");
  ASSERT_NE(balloon, nullptr);
  bool highlighted = false;
  const QRect area = balloon->geometry();
  for (int y = area.top(); y <= area.bottom() && !highlighted; ++y) {
    for (int x = area.left(); x <= area.right() && !highlighted; ++x) {
      highlighted = speaking.pixel(x, y) == qRgb(255, 201, 77);
    }
  }
  EXPECT_TRUE(highlighted) << "the spoken word is highlighted on the screen";
  stage->SpeakingMouth(kMouthRest);
  stage->SpeechEnded();
  Spin(2000);

  // The middle of the figure, where a character file's art has its body.
  const QPoint face(figure->width() / 2, figure->height() * 2 / 3);
  const QPoint click = at + face;
  if (!QStandardPaths::findExecutable("xdotool").isEmpty()) {
    QProcess::execute("xdotool", {"mousemove", QString::number(click.x()),
                                  QString::number(click.y()), "click", "3"});
  } else {
    QContextMenuEvent event(QContextMenuEvent::Mouse, face, click);
    QApplication::sendEvent(figure, &event);
  }
  Spin(600);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  Save(Grab(), "menu.png");
  menu->close();
  Spin(100);

  // At the top of the screen with a long text: the balloon hangs below and
  // shows the lines around the spoken word.
  const QString story =
      "Es war einmal ein kleiner Fisch, der wollte unbedingt lesen lernen. Jeden Morgen schwamm er "
      "zur Bibliothek am Grund des Sees, wo die alte Schildkröte ihm Buchstaben zeigte. Nach "
      "vielen "
      "Wochen konnte er endlich den ersten ganzen Satz vorlesen, und alle Fische hörten staunend "
      "zu.";
  stage->SetPosition(QPoint(40, 10));
  stage->SpeechStarted(story);
  stage->SpeakingWord(static_cast<int>(story.indexOf("endlich")), 7);
  stage->SpeakingMouth(kMouthRound);
  Spin(500);
  Save(Grab(), "speaking-long-top.png");
  EXPECT_GT(balloon->y(), 10 + figure->height()) << "hangs below the figure";
  stage->SpeechEnded();
}

// At scale 2 the figure shows the art stored for that density pixel for
// pixel, not the ordinary one enlarged, and the balloon grows with it.
TEST(CharacterScreenshots, DrawsTheFigureAndBalloonAtTwiceThePixelsAtScaleTwo) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X display";
  const auto character = LoadCharacterFile(PARLOTTO_DEFAULT_CHARACTER, nullptr);
  ASSERT_TRUE(character && character->pixel_ratio == 2);
  const int rest = character->animations.at("idle").steps.front().frame;
  int balloon_height[3] = {};
  for (const int scale : {1, 2}) {
    auto stage = CreateCharacterWindow(*character, scale);
    stage->SetPosition(QPoint(560, 380));
    stage->Show(true, nullptr);
    stage->SpeechStarted("Guten Morgen!");
    Spin(600);
    Save(Grab(), QStringLiteral("speaking-scale%1.png").arg(scale));
    const QImage drawn = TopLevel("parlotto-character")->grab().toImage();
    EXPECT_EQ(drawn.size(), character->frame_size * scale);
    balloon_height[scale] = TopLevel("parlotto-character-balloon")->height();
    const QImage& art = character->frames[static_cast<std::size_t>(rest)];
    int differing = 0;
    for (int i = 0; scale == 2 && i < art.width() * art.height(); ++i) {
      const QRgb pixel = art.pixel(i % art.width(), i / art.width());
      differing += qAlpha(pixel) == 255 && drawn.pixel(i % art.width(), i / art.width()) != pixel;
    }
    EXPECT_EQ(differing, 0);
  }
  EXPECT_NEAR(balloon_height[2], 2 * balloon_height[1], 4);
}

}  // namespace
}  // namespace parlotto::agent
