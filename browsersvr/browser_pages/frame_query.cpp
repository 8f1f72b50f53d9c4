#include "browsersvr/browser_pages/frame_query.h"

#include <QStringList>
#include <QVariantMap>

namespace parlotto::browser {
namespace {

// Runs in a world of its own, so that the page's scripts cannot change what
// the DOM answers (a redefined innerText, a replaced Array).
constexpr char kScript[] = R"js((function (path, question, limit) {
  var w = window;
  for (var i = 0; i < path.length; ++i) {
    if (path[i] >= w.frames.length) return {status: 'missing'};
    w = w.frames[path[i]];
  }
  var d;
  try {
    d = w.document;
  } catch (e) {
    return {status: 'denied'};
  }
  if (question === 'count') return {status: 'ok', count: w.frames.length};
  if (question === 'body') return {status: 'ok', body: !!d.body};
  var text = d.body ? d.body.innerText : '';
  if (text.length > limit) {
    text = text.slice(0, limit);
    var last = text.charCodeAt(text.length - 1);
    if (last >= 0xD800 && last <= 0xDBFF) text = text.slice(0, -1);
  }
  return {status: 'ok', text: text};
})([%1], '%2', %3))js";

const char* QuestionName(FrameQuestion question) {
  switch (question) {
    case FrameQuestion::kFrameCount:
      return "count";
    case FrameQuestion::kHasBody:
      return "body";
    case FrameQuestion::kBodyText:
      break;
  }
  return "text";
}

}  // namespace

QString FrameScript(const FramePath& path, FrameQuestion question, int text_limit) {
  QStringList indices;
  for (int index : path) indices << QString::number(index);
  return QString::fromLatin1(kScript).arg(indices.join(QLatin1Char(',')),
                                          QLatin1String(QuestionName(question)),
                                          QString::number(text_limit));
}

FrameAnswer ReadFrameAnswer(const QVariant& result) {
  FrameAnswer answer;
  const QVariantMap fields = result.toMap();
  const QString status = fields.value(QStringLiteral("status")).toString();
  if (status == QLatin1String("missing")) {
    answer.status = FrameAnswer::Status::kNoSuchFrame;
  } else if (status == QLatin1String("denied")) {
    answer.status = FrameAnswer::Status::kDenied;
  } else if (status == QLatin1String("ok")) {
    answer.status = FrameAnswer::Status::kAnswered;
    answer.frame_count = fields.value(QStringLiteral("count")).toInt();
    answer.has_body = fields.value(QStringLiteral("body")).toBool();
    answer.text = fields.value(QStringLiteral("text")).toString();
  }
  return answer;
}

}  // namespace parlotto::browser
