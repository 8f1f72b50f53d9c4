// The program's six small windows: layout, texts, links and screenshots.
//
// Each window's picture is written to <build>/artifacts/dialogs/<name>.png
// for people to look at and compared with tests/parlotto/ui/dialogs/golden/<name>.png;
// PARLOTTO_UPDATE_GOLDEN=1 rewrites those pictures instead.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "parlotto/app_messages.h"
#include "parlotto/ui/dialogs/error_dialog.h"
#include "parlotto/ui/dialogs/file_copy_animation.h"
#include "parlotto/ui/dialogs/info.h"
#include "parlotto/ui/dialogs/wait_dialog.h"
#include "parlotto/ui/error_dialogs.h"
#include "parlotto/ui/htmlabel.h"
#include "parlotto/ui/layered_form.h"
#include "parlotto/vocato_form.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::Peer;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

// Clicks the first anchor of the label, as a user would with the mouse.
bool ClickFirstAnchor(THTMLabel* label) {
  // Anchors are whole words; a coarse scan finds them.
  for (int y = 1; y < label->height(); y += 3) {
    for (int x = 1; x < label->width(); x += 3) {
      if (label->IsAnchor(x, y).isEmpty()) continue;
      QPointF at(x, y);
      QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(label, &press);
      QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(label, &release);
      return true;
    }
  }
  return false;
}

bool IsInk(QColor c) { return c.lightness() < 160; }
bool IsBlue(QColor c) { return c.blue() > 160 && c.red() < 110 && c.green() < 110; }

// Rows of ink separated by blank rows: the text lines.
std::vector<std::pair<int, int>> InkBands(const QImage& image) {
  std::vector<std::pair<int, int>> bands;
  int start = -1;
  for (int y = 0; y <= image.height(); ++y) {
    bool ink = false;
    for (int x = 0; y < image.height() && x < image.width() && !ink; ++x) {
      ink = IsInk(image.pixelColor(x, y));
    }
    if (ink && start < 0) start = y;
    if (!ink && start >= 0) {
      // An underline below letters without descenders belongs to their line.
      if (y - start <= 2 && !bands.empty()) {
        bands.back().second = y - 1;
      } else {
        bands.emplace_back(start, y - 1);
      }
      start = -1;
    }
  }
  return bands;
}

QRect InkArea(const QImage& image, int top, int bottom, bool (*match)(QColor)) {
  QRect area;
  for (int y = top; y <= bottom; ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (match(image.pixelColor(x, y))) area |= QRect(x, y, 1, 1);
    }
  }
  return area;
}

// The label as drawn: `lines` centred lines (0: not counted; the last line
// left out of the centring when `last_line_free`), and a blue underlined
// link when `link`.
void CheckLabelShape(THTMLabel* label, int lines, bool link, bool last_line_free = false) {
  QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
  std::vector<std::pair<int, int>> bands = InkBands(image);
  ASSERT_FALSE(bands.empty());
  if (lines > 0) {
    EXPECT_EQ(static_cast<int>(bands.size()), lines);
  }
  for (const auto& [top, bottom] : bands) {
    if (last_line_free && top == bands.back().first) continue;
    QRect ink = InkArea(image, top, bottom, IsInk);
    int left_margin = ink.left();
    int right_margin = image.width() - 1 - ink.right();
    EXPECT_LE(std::abs(left_margin - right_margin), 4) << "line at " << top;
  }
  QRect blue = InkArea(image, 0, image.height() - 1, IsBlue);
  EXPECT_EQ(!blue.isEmpty(), link);
  if (link && !blue.isEmpty()) {
    // The underline: a row of blue under the link text.
    int best = 0;
    for (int y = blue.top(); y <= blue.bottom(); ++y) {
      int row = 0;
      for (int x = blue.left(); x <= blue.right(); ++x) row += IsBlue(image.pixelColor(x, y));
      best = std::max(best, row);
    }
    EXPECT_GE(best, blue.width() * 8 / 10);
  }
}

// Saves the window as the person checking it will see it, and compares it
// with the picture kept with the tests: at most 2 % of the pixels may differ
// noticeably (fonts may be hinted a little differently).
void CheckScreenshot(QWidget* window, const QString& name) {
  QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  QDir().mkpath(PARLOTTO_BUILD_DIR "/artifacts/dialogs");
  shot.save(QStringLiteral(PARLOTTO_BUILD_DIR "/artifacts/dialogs/") + name + ".png");
  QString path =
      QStringLiteral(PARLOTTO_SOURCE_DIR "/tests/parlotto/ui/dialogs/golden/") + name + ".png";
  if (std::getenv("PARLOTTO_UPDATE_GOLDEN") != nullptr) {
    ASSERT_TRUE(shot.save(path));
    return;
  }
  QImage golden(path);
  ASSERT_FALSE(golden.isNull()) << name.toStdString() << ": no picture to compare with";
  golden = golden.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), golden.size()) << name.toStdString();
  int differing = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      QRgb a = shot.pixel(x, y);
      QRgb b = golden.pixel(x, y);
      int delta = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                  std::abs(qBlue(a) - qBlue(b));
      if (delta > 96) ++differing;
    }
  }
  EXPECT_LE(differing, shot.width() * shot.height() / 50) << name.toStdString();
}

class DialogsTest : public ::testing::Test {
 protected:
  DialogsTest()
      : shell_("record:" + dir_.File("shell.txt")),
        dialogs_("record:" + dir_.File("dialogs.txt")),
        shell_env_("PARLOTTO_SHELL", shell_.c_str()),
        dialogs_env_("PARLOTTO_DIALOGS", dialogs_.c_str()) {}

  std::string Opened() { return ReadFile(dir_.File("shell.txt")); }

  ScratchDir dir_;
  std::string shell_;
  std::string dialogs_;
  ScopedEnv shell_env_;
  ScopedEnv dialogs_env_;
};

TEST_F(DialogsTest, ErrorDialogsHaveTheirCaptionLayoutAndLinks) {
  struct Case {
    std::unique_ptr<TErrorDialog> dialog;
    const char* name;
    const char* caption;
    QRect label;
    QRect button;
    const char* opened;
    int lines;  // 0: not counted
  };
  Case cases[] = {
      {std::make_unique<TFehlerMeldungSAPI>(),
       "sapi",
       "SAPI nicht installiert!",
       {8, 32, 353, 57},
       {152, 104, 75, 25},
       "open\thttps://www.zentravol.example/downloads/ms/spchapi.exe\t\n",
       3},
      {std::make_unique<TFehlerMeldungTTS>(),
       "tts",
       "TTS nicht installiert!",
       {-2, 24, 353, 81},
       {136, 104, 75, 25},
       "open\thttps://www.zentravol.example/downloads/ms/TTS3000.exe\t\n",
       4},
      {std::make_unique<TFehlerMeldungAGENT>(),
       "agent",
       "MS Agent nicht installiert!",
       {2, 24, 353, 57},
       {144, 104, 75, 25},
       "open\thttps://www.zentravol.example/downloads/ms/MSagent.exe\t\n"
       "open\thttps://www.zentravol.example/downloads/ms/AgtX0407.exe\t\n",
       0},
      {std::make_unique<TFehlerMeldungAGENTS>(),
       "agents",
       "mindestens eine Figur muß installiert sein.",
       {8, 16, 353, 73},
       {152, 104, 75, 25},
       "open\thttps://www.zentravol.example/downloads/ms/Merlin.exe\t\n"
       "open\thttps://www.zentravol.example/downloads/ms/Peedy.exe\t\n",
       0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::WriteFile(dir_.File("shell.txt"), "");
    TErrorDialog* dialog = c.dialog.get();
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(c.caption));
    EXPECT_EQ(dialog->HTMLabel1->geometry(), c.label);
    EXPECT_EQ(dialog->Button1->geometry(), c.button);
    EXPECT_EQ(dialog->Button1->text(), QStringLiteral("Ok"));
    EXPECT_EQ(dialog->Image1->geometry(), QRect(16, 80, 50, 50));
    // The agents dialog's last sentence stands outside its centred paragraph.
    CheckLabelShape(dialog->HTMLabel1, c.lines, true, c.name == std::string("agents"));
    CheckScreenshot(dialog, c.name);
    // A link click opens the installers in order and leaves the dialog open.
    dialog->show();
    ASSERT_TRUE(ClickFirstAnchor(dialog->HTMLabel1));
    EXPECT_EQ(Opened(), c.opened);
    EXPECT_TRUE(dialog->isVisible());
    dialog->Button1->click();
    EXPECT_EQ(dialog->result(), 2);
    EXPECT_FALSE(dialog->isVisible());
  }
}

TEST_F(DialogsTest, AMissingComponentsDialogIsShownAndGoneAgain) {
  ShowMissingComponentDialog(MissingComponent::kSpeechRuntime);
  ShowMissingComponentDialog(MissingComponent::kCharacters);
  EXPECT_EQ(FehlerMeldungSAPI, nullptr);
  EXPECT_EQ(FehlerMeldungAGENTS, nullptr);
  std::string recorded = ReadFile(dir_.File("dialogs.txt"));
  EXPECT_EQ(recorded.find("SAPI nicht installiert!\tLeider ist SAPI nicht installiert."), 0u)
      << recorded;
  EXPECT_NE(recorded.find("\nmindestens eine Figur muß installiert sein.\tLeider sind"),
            std::string::npos)
      << recorded;
}

TEST_F(DialogsTest, TheInfoWindowIsOneWindowBroughtToTheFront) {
  TVocatoForm form(std::vector<std::string>{"/Automation"});
  form.CreateInfoWindow();
  TInfo* info = Info;
  ASSERT_NE(info, nullptr);
  EXPECT_FALSE(info->isVisible());
  EXPECT_EQ(info->windowTitle(), QStringLiteral("Info"));
  EXPECT_EQ(info->size(), QSize(331, 128));
  CheckLabelShape(info->HTMLabel1, 5, true);
  CheckScreenshot(info, "info");
  PostMessage(form.Handle(), UM_SHOW_INFO, 0, 0);
  QCoreApplication::processEvents();
  Peer(form).Info1()->trigger();
  EXPECT_EQ(Info, info);
  EXPECT_TRUE(info->isVisible());
  ASSERT_TRUE(ClickFirstAnchor(info->HTMLabel1));
  EXPECT_EQ(Opened(), "open\thttps://www.zentravol.example/\t\n");
  info->close();
  EXPECT_FALSE(info->isVisible());
  EXPECT_EQ(Info, info);
}

TEST_F(DialogsTest, TheWaitDialogIsTranslucentAnimatedAndTakesNewTexts) {
  TfrmWarten dialog;
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("PDF-Datei konvertieren"));
  EXPECT_EQ(dialog.size(), QSize(275, 106));
  EXPECT_NEAR(dialog.windowOpacity(), 200 / 255.0, 0.01);
  EXPECT_TRUE(dialog.Animate1->Active());
  EXPECT_EQ(dialog.HTMLabel1->GetText(),
            QStringLiteral("Warten Sie bitte,\r\nbis die PDF-Datei konvertiert ist."));
  CheckLabelShape(dialog.HTMLabel1, 2, false);
  CheckScreenshot(&dialog, "warten");
  dialog.SetText(
      QStringLiteral("<FONT face=\"Tahoma\"><B><P align=\"center\">Fertig</P></B></FONT>"));
  EXPECT_EQ(dialog.HTMLabel1->HTMLText().Count(), 1);
  EXPECT_EQ(dialog.HTMLabel1->GetText(), QStringLiteral("Fertig"));
}

}  // namespace
}  // namespace parlotto
