// espeak-ng's word reports led back to the text given to Speak. The
// positions below are where espeak-ng 1.51 reports these words: 1-based
// code points of its input, commands counted.
#include "xvoice/xvoice_lipsync/word_positions.h"

#include <gtest/gtest.h>

#include <QList>
#include <string>
#include <vector>

#include "xvoice/xvoice_text/speech_text.h"

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
  std::string Slice(int position) {
    std::optional<WordSpan> span = locator_.Locate(position);
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
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Straße"))), "Straße");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("über"))), "über");

  // A character beyond the basic plane is one code point, two units.
  Located emoji(QStringLiteral("a \U0001F600 b"));
  EXPECT_EQ(emoji.Slice(emoji.PointOf(QStringLiteral("\U0001F600"))), "\U0001F600");
  EXPECT_EQ(emoji.Slice(emoji.PointOf(QStringLiteral("b"))), "b");
}

TEST(WordLocatorTest, FindsTheWordBehindCommandsThatTheReportStartsWith) {
  // The first word is reported at the start command, position 1.
  Located text(QStringLiteral("\\Spd=150\\Guten Tag, schöne Grüße."));
  EXPECT_EQ(text.Slice(1), "Guten");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Tag"))), "Tag");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("schöne"))), "schöne");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Grüße"))), "Grüße");

  // Commands between blanks: the next word is reported at them.
  Located spaced(QStringLiteral("Guten Tag, \\Spd=300\\\\Pit=80\\ schöne Grüße."));
  EXPECT_EQ(spaced.Slice(spaced.PointOf(QStringLiteral("\x01"
                                                       "300S"))),
            "schöne");
}

TEST(WordLocatorTest, AWordRunsToTheNextBlankWithoutItsClosingPunctuation) {
  // espeak-ng's own length stops at the apostrophe and at the command.
  Located text(QStringLiteral("(Er geht's), z.B. die Stra\\Spd=300\\ßenbahn um 8:30."));
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("geht"))), "geht's");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("z.B"))), "z.B");
  int cut = text.PointOf(QStringLiteral("Stra"));
  EXPECT_EQ(text.Slice(cut), "Stra\\Spd=300\\ßenbahn");
  // espeak-ng reports the part after the command once more.
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("ßenbahn"))), "-");
  int time = text.PointOf(QStringLiteral("8:30"));
  EXPECT_EQ(text.Slice(time), "8:30");
  EXPECT_EQ(text.Slice(time + 2), "-");
}

TEST(WordLocatorTest, RepeatedReportsOfAWordAreDropped) {
  // A number is read as several words, each reported at the number.
  Located number(QStringLiteral("Es ist 12345 Uhr"));
  int digits = number.PointOf(QStringLiteral("12345"));
  EXPECT_EQ(number.Slice(digits), "12345");
  EXPECT_EQ(number.Slice(digits + 1), "-");
  EXPECT_EQ(number.Slice(digits), "-");
  EXPECT_EQ(number.Slice(number.PointOf(QStringLiteral("Uhr"))), "Uhr");
  // Nor does an earlier word come back after a later one.
  EXPECT_EQ(number.Slice(1), "-");
}

TEST(WordLocatorTest, AReportOnPunctuationAloneNamesTheWordAfterIt) {
  // After a quote espeak-ng reports the next word at the dash before it.
  Located quoted(QStringLiteral("\"Das geht nicht\" - sagt's und geht."));
  EXPECT_EQ(quoted.Slice(quoted.PointOf(QStringLiteral("nicht"))), "nicht");
  EXPECT_EQ(quoted.Slice(quoted.PointOf(QStringLiteral("-"))), "sagt's");
  EXPECT_EQ(quoted.Slice(quoted.PointOf(QStringLiteral("und"))), "und");
  // Nothing after it: no word.
  Located trailing(QStringLiteral("Ende. -"));
  EXPECT_EQ(trailing.Slice(trailing.PointOf(QStringLiteral("-"))), "-");
}

TEST(WordLocatorTest, ReportsOutsideTheTextNameNoWord) {
  Located text(QStringLiteral("Hallo \\Mrk=1\\"));
  EXPECT_EQ(text.Slice(0), "-");
  EXPECT_EQ(text.Slice(200), "-");
  // A dropped tag leaves nothing in the input; past the word only blanks.
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Hallo"))), "Hallo");
  EXPECT_EQ(text.Slice(text.PointOf(QStringLiteral("Hallo")) + 5), "-");
  WordLocator empty;
  EXPECT_FALSE(empty.Locate(1).has_value());
}

}  // namespace
}  // namespace parlotto::xvoice
