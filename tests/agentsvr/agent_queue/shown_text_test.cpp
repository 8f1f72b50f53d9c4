#include "agentsvr/agent_queue/shown_text.h"

#include <gtest/gtest.h>

namespace parlotto::agent {
namespace {

constexpr struct {
  const char* spoken;
  const char* shown;
} kCases[] = {
    {" Guten Tag ", "Guten Tag"},
    {" \\Pit=100\\  \\Spd=150\\  Hallo Welt", "Hallo Welt"},
    {"Titel\r\n\r\n\r\nErster  Absatz", "Titel\nErster Absatz"},
    {"eins \t \n\t zwei", "eins\nzwei"},
    {"\n \n\\Vol=9\\ \n", ""},
    {"Straße 😀  Ende", "Straße 😀 Ende"},
};

TEST(ShownText, ShowsTheWordsWithoutTagsOrSpacingEachUnitTracedToWhereItWasSpoken) {
  for (const auto& c : kCases) {
    const QString spoken = QString::fromUtf8(c.spoken);
    const ShownText shown = ShownTextOf(spoken);
    EXPECT_EQ(shown.text, QString::fromUtf8(c.shown)) << c.spoken;
    ASSERT_EQ(shown.origin.size(), static_cast<std::size_t>(shown.text.size())) << c.spoken;
    for (qsizetype i = 0; i < shown.text.size(); ++i) {
      const QChar from = spoken[shown.origin[static_cast<std::size_t>(i)]];
      EXPECT_TRUE(shown.text[i].isSpace() ? from.isSpace() : from == shown.text[i]) << c.spoken;
      EXPECT_TRUE(i == 0 || shown.origin[i - 1] < shown.origin[i]) << c.spoken;
    }
  }
}

}  // namespace
}  // namespace parlotto::agent
