// The program's own dialog texts as the label draws them. Each is written
// to <build>/artifacts/htmlabel/<name>.png for people to look at, checked
// for its shape (centred lines, a blue underlined link, the line breaks) and
// compared with a reference picture within a tolerance.
//
// PARLOTTO_UPDATE_GOLDEN=1 rewrites the reference pictures instead.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>
#include <QImage>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "ui/htmlabel/htmlabel.h"

namespace parlotto {
namespace {

struct DialogText {
  const char* name;
  QSize size;  // of the dialog's label
  const char* markup;
  int lines;  // 0: not checked
  bool link;
};

const DialogText kDialogs[] = {
    {"fehler_sapi",
     {353, 57},
     "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist SAPI nicht installiert. Das "
     "Programm kann deshalb nicht ausgeführt werden. Um SAPI auf ihrem System zu installieren, "
     "folgen Sie bitte <A href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B>",
     3,
     true},
    {"fehler_tts",
     {353, 81},
     "<B><P align=\"center\"><IMG src=\"speak\"><FONT face=\"Tahoma\">Leider ist auf Ihrem System "
     "keine TextToSpeech Engine installiert. Das Programm kann deshalb nicht ausgeführt werden. "
     "Um mindestens eine TTS auf Ihrem System zu installieren, folgen Sie bitte <A "
     "href=\"TTS\">diesem Link.</A></FONT></P></B>",
     4,
     true},
    {"fehler_agent",
     {353, 57},
     "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist ist die Microsoft® Agent "
     "Technologie bai Ihnen nicht installiert. Das Programm kann deshalb nicht ausgeführt werden. "
     "Um MS Agent auf ihrem System zu installieren folgen Sie bitte <A "
     "href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B>",
     0,
     true},
    {"fehler_agents",
     {353, 73},
     "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider sind auf Ihrem System keine Microsoft "
     "Agenten (Figuren) installiert. Das Programm kann deshalb nicht ausgeführt werden. Um SAPI "
     "auf ihrem System zu installieren folgen Sie bitte <A href=\"SAPIINSTALL\">diesem "
     "Link.</A></FONT></P></B> Mit dem Link werden zwei Agenten installiert (Peedy und Merlin).",
     0,
     true},
    {"warten_pdf",
     {273, 41},
     "<FONT face=\"Tahoma\"><B><P align=\"center\">Warten Sie bitte,<br>bis die PDF-Datei "
     "konvertiert ist.</P></B></FONT>",
     2,
     false},
    {"warten_web",
     {273, 41},
     "<FONT face=\"Tahoma\"><B><P align=\"center\">Warten Sie bitte,<br>bis Webseite geladen "
     "ist..</P></B></FONT>",
     2,
     false},
    {"info",
     {233, 81},
     "<IMG src=\"0\"></IMG><P align=\"center\"><FONT face=\"Tahoma\"><B>Parlotto</B><br>Das "
     "Vorleseprogramm für WindowsXP<br>Ein Programm von Zentravol, 2004<br><A "
     "href=\"linktome\">www.zentravol.de</A></FONT></P>",
     4,
     true},
};

void PrintTo(const DialogText& dialog, std::ostream* out) { *out << dialog.name; }

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

// Share of pixels that differ clearly from the reference.
double Difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 1.0;
  int differing = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      QColor p = a.pixelColor(x, y);
      QColor q = b.pixelColor(x, y);
      int delta = std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                            std::abs(p.blue() - q.blue())});
      differing += delta > 64 ? 1 : 0;
    }
  }
  return double(differing) / (a.width() * a.height());
}

class DialogRenderTest : public ::testing::TestWithParam<DialogText> {};

TEST_P(DialogRenderTest, DrawsCentredBoldTextWithItsLink) {
  const DialogText& dialog = GetParam();
  THTMLabel label;
  QFont form_font("MS Sans Serif");
  form_font.setPointSize(8);
  label.setFont(form_font);
  label.resize(dialog.size);
  label.HTMLText().Add(QString::fromUtf8(dialog.markup));
  QImage image = label.grab().toImage().convertToFormat(QImage::Format_RGB32);

  QString artifacts = QStringLiteral(PARLOTTO_BUILD_DIR "/artifacts/htmlabel");
  QDir().mkpath(artifacts);
  ASSERT_TRUE(image.save(artifacts + "/" + dialog.name + ".png"));

  std::vector<std::pair<int, int>> bands = InkBands(image);
  ASSERT_FALSE(bands.empty());
  if (dialog.lines > 0) {
    EXPECT_EQ(static_cast<int>(bands.size()), dialog.lines) << dialog.name;
  }
  for (const auto& [top, bottom] : bands) {
    QRect ink = InkArea(image, top, bottom, IsInk);
    int left_margin = ink.left();
    int right_margin = image.width() - 1 - ink.right();
    if (dialog.name == std::string("fehler_agents") && top == bands.back().first) continue;
    EXPECT_LE(std::abs(left_margin - right_margin), 4) << dialog.name << " line at " << top;
  }
  QRect link = InkArea(image, 0, image.height() - 1, IsBlue);
  EXPECT_EQ(!link.isEmpty(), dialog.link) << dialog.name;
  if (dialog.link && !link.isEmpty()) {
    // The underline: a row of blue under the link text.
    int best = 0;
    for (int y = link.top(); y <= link.bottom(); ++y) {
      int blue = 0;
      for (int x = link.left(); x <= link.right(); ++x) blue += IsBlue(image.pixelColor(x, y));
      best = std::max(best, blue);
    }
    EXPECT_GE(best, link.width() * 8 / 10) << dialog.name;
  }

  QString golden = QStringLiteral(PARLOTTO_SOURCE_DIR "/tests/ui/golden/") + dialog.name + ".png";
  if (std::getenv("PARLOTTO_UPDATE_GOLDEN") != nullptr) {
    ASSERT_TRUE(image.save(golden));
    return;
  }
  // The references were drawn with the fonts fontconfig picks on Debian 12.
  if (QFontInfo(QFont("Tahoma")).family() != "DejaVu Sans Condensed") {
    GTEST_SKIP() << "reference pictures need DejaVu Sans Condensed as the substitute for Tahoma";
  }
  QImage reference(golden);
  ASSERT_FALSE(reference.isNull()) << golden.toStdString();
  EXPECT_LE(Difference(image, reference.convertToFormat(QImage::Format_RGB32)), 0.01)
      << dialog.name;
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogRenderTest, ::testing::ValuesIn(kDialogs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace parlotto
