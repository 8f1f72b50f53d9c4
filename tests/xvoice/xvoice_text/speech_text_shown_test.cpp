// The text of an utterance as a reader sees it: its tags taken out, and each
// shown unit traced back to where it stands in the spoken text.
#include <gtest/gtest.h>

#include <vector>

#include "xvoice/xvoice_text/speech_text.h"

namespace parlotto::xvoice {
namespace {

TEST(RemoveSpeechTagsTest, TakesOutEveryTagTheRuntimeReadsAndTracesTheRestBack) {
  const QString text = QStringLiteral(" \\Pit=100\\  \\Spd=150\\ Ja");
  TextWithoutTags shown = RemoveSpeechTags(text);
  EXPECT_EQ(shown.text, QStringLiteral("    Ja"));
  ASSERT_EQ(shown.origin.size(), 6u);
  EXPECT_EQ(shown.origin[0], 0);
  EXPECT_EQ(shown.origin[4], text.indexOf(QLatin1Char('J')));
  EXPECT_EQ(shown.origin[5], text.size() - 1);
}

TEST(RemoveSpeechTagsTest, TakesOutUnknownAndMalformedTagsAsTheRuntimeSkipsThem) {
  EXPECT_EQ(RemoveSpeechTags(QStringLiteral("a\\Mrk=1\\b\\Spd=fast\\c")).text,
            QStringLiteral("abc"));
}

TEST(RemoveSpeechTagsTest, KeepsBackslashesThatStartNoTag) {
  for (const QString& text :
       {QStringLiteral("C:\\\\x"), QStringLiteral("a \\ b"), QStringLiteral("\\Spd=200"),
        QStringLiteral("\\9\\"), QStringLiteral("\\Spd=1\nx\\")}) {
    TextWithoutTags shown = RemoveSpeechTags(text);
    EXPECT_EQ(shown.text, text);
    ASSERT_EQ(shown.origin.size(), static_cast<std::size_t>(text.size()));
    EXPECT_EQ(shown.origin.back(), text.size() - 1);
  }
}

TEST(RemoveSpeechTagsTest, GivesNothingForATextOfTagsOnly) {
  TextWithoutTags shown = RemoveSpeechTags(QStringLiteral("\\Vol=1\\\\Pit=2\\"));
  EXPECT_TRUE(shown.text.isEmpty());
  EXPECT_TRUE(shown.origin.empty());
}

}  // namespace
}  // namespace parlotto::xvoice
