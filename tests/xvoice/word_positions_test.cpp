// espeak-ng's word reports led back to the text given to Speak. The reports
// below are shaped as espeak-ng 1.51 gives them for these inputs: 1-based
// code points of its input, commands counted.
#include "xvoice/word_positions.h"

#include <gtest/gtest.h>

#include <QList>
#include <string>
#include <vector>

#include "xvoice/speech_text.h"

namespace parlotto::xvoice {
namespace {

const VoiceSettings kStart{175, 100, 65535};

class Located {
 public:
  explicit Located(const QString& text)
      : text_(text), input_(ToEspeakText(text, kStart)), locator_(text, input_.origins) {}

  // The 1-based code point at which `needle` starts in espeak-ng's input.
  int PointOf(const QString& needle) const {
    QString input = QString::fromStdString(input_.utf8);
    qsizetype at = input.indexOf(needle);
    EXPECT_GE(at, 0) << needle.toStdString();
    return static_cast<int>(QStringView(input).left(at).toUcs4().size()) + 1;
  }

  // The slice of the text that a report names, or "-" for none.
  std::string Slice(int position, int length) {
    std::optional<WordSpan> span = locator_.Locate(position, length);
    if (!span) return "-";
    return text_.mid(span->start, span->length).toStdString();
  }

 private:
  QString text_;
  EspeakText input_;
  WordLocator locator_;
};

TEST(WordLocatorTest, CountsCodePointsOfTheInputAndGivesUtf16IndicesOfTheText) {
  // Umlauts and ß are one code point in the input and one unit in the
  // text; the speed command in front of every input is not in the text.
  Located text(QStringLiteral("Größe Straße über"));
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Straße")), 6), "Straße");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("über")), 4), "über");

  // A character beyond the basic plane is one code point, two units.
  Located emoji(QStringLiteral("a \U0001F600 b"));
  EXPECT_EQ(emoji.Slice(emoji.PointOf(QStringLiteral("\U0001F600")), 1), "\U0001F600");
  EXPECT_EQ(emoji.Slice(emoji.PointOf(QStringLiteral("b")), 1), "b");
}

TEST(WordLocatorTest, FindsTheWordBehindCommandsThatTheReportStartsWith) {
  // The first word starts, for espeak-ng, at the start command and its
  // length counts the commands: "\x01175S\x01150SGuten" is 15.
  Located text(QStringLiteral("\\Spd=150\\Guten Tag, schöne Grüße."));
  EXPECT_EQ(text.Slice(1, 15), "Guten");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Tag")), 3), "Tag");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("schöne")), 6), "schöne");

  // Commands then a blank: the report covers only the commands.
  Located spaced(QStringLiteral("Guten Tag, \\Spd=300\\\\Pit=80\\ schöne Grüße."));
  int commands =
      spaced.PointOf(QStringLiteral("\x01"
                                    "300S"));
  EXPECT_EQ(spaced.Slice(commands, 9), "schöne");
  // ... or the commands and the word's own length from there.
  Located tagged(QStringLiteral("Ärger über \\Spd=200\\ Tag, heute"));
  EXPECT_EQ(tagged.Slice(tagged.PointOf(QStringLiteral("\x01"
                                                       "200S")),
                         3),
            "Tag");
}

TEST(WordLocatorTest, AWordCutByACommandIsOneWordAndRepeatedReportsAreDropped) {
  Located cut(QStringLiteral("Ein Stra\\Spd=300\\ßenbahn fährt."));
  int word = cut.PointOf(QStringLiteral("Stra"));
  EXPECT_EQ(cut.Slice(word, 16), "Stra\\Spd=300\\ßenbahn");
  // espeak-ng reports the part after the cut once more.
  EXPECT_EQ(cut.Slice(word + 3, 13), "-");
  EXPECT_EQ(cut.Slice(cut.PointOf(QStringLiteral("fährt")), 5), "fährt");

  // A number is read as several words, each reported at the number.
  Located number(QStringLiteral("Es ist 12345 Uhr"));
  int digits = number.PointOf(QStringLiteral("12345"));
  EXPECT_EQ(number.Slice(digits, 5), "12345");
  EXPECT_EQ(number.Slice(digits + 1, 5), "-");
  EXPECT_EQ(number.Slice(digits, 5), "-");
  EXPECT_EQ(number.Slice(number.PointOf(QStringLiteral("Uhr")), 3), "Uhr");
}

TEST(WordLocatorTest, ReportsOutsideTheTextNameNoWord) {
  Located text(QStringLiteral("Hallo \\Mrk=1\\"));
  EXPECT_EQ(text.Slice(0, 0), "-");  // only the start command
  EXPECT_EQ(text.Slice(200, 3), "-");
  // A dropped tag leaves nothing in the input; past the word only blanks.
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Hallo")), 5), "Hallo");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Hallo")) + 5, 1), "-");
  WordLocator empty;
  EXPECT_FALSE(empty.Locate(1, 1).has_value());
}

}  // namespace
}  // namespace parlotto::xvoice
