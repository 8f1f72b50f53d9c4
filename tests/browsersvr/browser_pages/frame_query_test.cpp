// The answers of the page scripts, read back: what counts as an answer and
// what does not.
#include "browsersvr/browser_pages/frame_query.h"

#include <gtest/gtest.h>

#include <QVariantMap>

namespace parlotto::browser {
namespace {

QVariantMap Fields(std::initializer_list<std::pair<const char*, QVariant>> fields) {
  QVariantMap map;
  for (const auto& [name, value] : fields) map.insert(QString::fromLatin1(name), value);
  return map;
}

TEST(FrameQueryTest, ReadsEachKindOfAnswer) {
  FrameAnswer count = ReadFrameAnswer(Fields({{"status", "ok"}, {"count", 3}}));
  EXPECT_EQ(count.status, FrameAnswer::Status::kAnswered);
  EXPECT_EQ(count.frame_count, 3);

  FrameAnswer body = ReadFrameAnswer(Fields({{"status", "ok"}, {"body", true}}));
  EXPECT_TRUE(body.has_body);
  EXPECT_FALSE(ReadFrameAnswer(Fields({{"status", "ok"}, {"body", false}})).has_body);

  FrameAnswer text = ReadFrameAnswer(Fields({{"status", "ok"}, {"text", "Grüße\n\tdir"}}));
  EXPECT_EQ(text.text, QStringLiteral("Grüße\n\tdir"));

  EXPECT_EQ(ReadFrameAnswer(Fields({{"status", "denied"}})).status, FrameAnswer::Status::kDenied);
  EXPECT_EQ(ReadFrameAnswer(Fields({{"status", "missing"}})).status,
            FrameAnswer::Status::kNoSuchFrame);
}

TEST(FrameQueryTest, AnythingButAnAnswerIsNoAnswer) {
  // What the engine gives for a script that threw, for a page that went
  // away, and for results of another shape.
  for (const QVariant& result :
       {QVariant(), QVariant(QStringLiteral("ok")), QVariant(QVariantList{1, 2}),
        QVariant(Fields({{"count", 3}})), QVariant(Fields({{"status", "sonstwas"}}))}) {
    EXPECT_EQ(ReadFrameAnswer(result).status, FrameAnswer::Status::kNoAnswer);
  }
}

TEST(FrameQueryTest, TheScriptNamesThePathTheQuestionAndTheLimit) {
  const QString script = FrameScript({1, 0}, FrameQuestion::kBodyText, 4096);
  EXPECT_TRUE(script.endsWith(QStringLiteral("})([1,0], 'text', 4096)"))) << script.toStdString();
  EXPECT_TRUE(FrameScript({}, FrameQuestion::kFrameCount, 1)
                  .endsWith(QStringLiteral("})([], 'count', 1)")));
}

}  // namespace
}  // namespace parlotto::browser
