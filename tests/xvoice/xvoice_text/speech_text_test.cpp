// From a Speak text to espeak-ng's input.
#include "xvoice/xvoice_text/speech_text.h"

#include <gtest/gtest.h>

#include <QList>
#include <string>

#include "xvoice/xvoice_text/speech_values.h"

namespace parlotto::xvoice {
namespace {

const VoiceSettings kStart{175, 100, 65535};
const std::string kPrefix =
    "\x01"
    "175S";

std::string Input(const QString& text) { return ToEspeakText(text, kStart).utf8; }

TEST(SpeechTextTest, StatesTheStartSettingsAndTurnsTagsIntoCommands) {
  EXPECT_EQ(Input(QStringLiteral("Hallo")), kPrefix + "Hallo");
  EspeakText start = ToEspeakText(QString(), {300, 64, 0});
  EXPECT_EQ(start.utf8,
            "\x01"
            "300S");
  // Pitch and volume are set as parameters, not as commands that would
  // add a silence before the first word.
  EXPECT_EQ(start.pitch, 0);
  EXPECT_EQ(start.volume, 0);
  EXPECT_EQ(ToEspeakText(QString(), kStart).pitch, 50);
  EXPECT_EQ(ToEspeakText(QString(), kStart).volume, 100);
  EXPECT_EQ(Input(QStringLiteral(" \\Pit=170\\  \\Spd=150\\  \\Vol=32768\\  Text")),
            kPrefix +
                " \x01"
                "100P  \x01"
                "150S  \x01"
                "50A  Text");
  EXPECT_EQ(Input(QStringLiteral("a\\SPD=200\\b\\vol= 0 \\c")), kPrefix +
                                                                    "a\x01"
                                                                    "200S"
                                                                    "b\x01"
                                                                    "0A"
                                                                    "c");
  // Values espeak-ng cannot take are clamped.
  EXPECT_EQ(Input(QStringLiteral("\\Spd=9000\\\\Spd=-5\\\\Pit=1\\\\Vol=99999999999999999999\\")),
            kPrefix +
                "\x01"
                "450S\x01"
                "80S\x01"
                "0P\x01"
                "100A");
}

TEST(SpeechTextTest, SkipsOtherTagsAndReportsMalformedOnes) {
  EXPECT_EQ(Input(QStringLiteral("\\Mrk=1\\Ja \\Chr=\"Whisper\"\\ \\Pau=500\\nein")),
            kPrefix + "Ja  nein");
  EspeakText result = ToEspeakText(QStringLiteral("\\Spd=fast\\a\\Pit=\\b\\Vol\\c"), kStart);
  EXPECT_EQ(result.utf8, kPrefix + "abc");
  ASSERT_EQ(result.malformed_tags.size(), 3u);
  EXPECT_EQ(result.malformed_tags[0], QStringLiteral("\\Spd=fast\\"));
  EXPECT_EQ(result.malformed_tags[2], QStringLiteral("\\Vol\\"));
}

TEST(SpeechTextTest, ABackslashThatStartsNoTagIsText) {
  // No name, no closing backslash before the line ends, or too long.
  EXPECT_EQ(Input(QStringLiteral("\\\\ 5\\ a\\")), kPrefix + "\\\\ 5\\ a\\");
  EXPECT_EQ(Input(QStringLiteral("\\Spd=200\nHallo\\")), kPrefix + "\\Spd=200\nHallo\\");
  QString long_tag =
      QStringLiteral("\\Mrk=") + QString(300, QLatin1Char('1')) + QStringLiteral("\\");
  EXPECT_EQ(Input(long_tag), kPrefix + long_tag.toStdString());
}

TEST(SpeechTextTest, CharactersEspeakMustNotSeeBecomeBlanks) {
  QString text = QStringLiteral("a") + QChar(0x01) + QStringLiteral("80S") + QChar(0) +
                 QChar(0x1B) + QChar(0x85) + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00) +
                 QChar(0xFFFD) + QChar(0xFFFF) + QStringLiteral("\t\r\n");
  EXPECT_EQ(Input(text), kPrefix + "a 80S    b   \t\r\n");
  // Characters outside the basic plane stay whole; umlauts stay.
  QString emoji = QString::fromUtf8("Grüße \xF0\x9F\x98\x80");
  EXPECT_EQ(Input(emoji), kPrefix + "Grüße \xF0\x9F\x98\x80");
}

TEST(SpeechTextTest, EachCodePointOfTheInputLeadsBackToItsPlaceInTheText) {
  // "ü" one code point, the emoji one code point of two units; commands
  // and dropped tags have no place.
  QString text = QStringLiteral("\\Spd=200\\ü\\Mrk=1\\\U0001F600!");
  EspeakText result = ToEspeakText(text, kStart);
  std::vector<std::int32_t> expected = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 9, 17, 19};
  EXPECT_EQ(result.origins, expected);
  EXPECT_EQ(QString::fromStdString(result.utf8).toUcs4().size(),
            static_cast<qsizetype>(expected.size()));
}

// espeak-ng 1.51 misplaces the word after a command that ends a word; at
// the start of the next word the command acts the same.
TEST(SpeechTextTest, ACommandThatEndsAWordMovesToTheStartOfTheNextWord) {
  EXPECT_EQ(Input(QStringLiteral("schöne\\Spd=300\\ Grüße")), kPrefix +
                                                                  "schöne \x01"
                                                                  "300SGrüße");
  EspeakText moved = ToEspeakText(QStringLiteral("a\\Pit=64\\\\Vol=0\\  \tb"), kStart);
  EXPECT_EQ(moved.utf8, kPrefix +
                            "a  \t\x01"
                            "0P\x01"
                            "0Ab");
  std::vector<std::int32_t> expected = {-1, -1, -1, -1, -1, 0,  16, 17,
                                        18, -1, -1, -1, -1, -1, -1, 19};
  EXPECT_EQ(moved.origins, expected);
  // Anywhere else commands stay where their tags stand.
  EXPECT_EQ(Input(QStringLiteral("Tag\\Spd=200\\, du \\Spd=250\\ da\\Spd=300\\")),
            kPrefix +
                "Tag\x01"
                "200S, du \x01"
                "250S da\x01"
                "300S");
}

}  // namespace
}  // namespace parlotto::xvoice
