#include "htmlabel/markup_text.h"

#include <vector>

#include "htmlabel/entities.h"

namespace parlotto {

QString PrepareMarkup(const QString& markup) {
  QString text = ReplaceEntities(markup);
  qsizetype hash = text.indexOf(QLatin1StringView("<#"));
  if (hash >= 0) {
    qsizetype close = text.indexOf(u'>', hash);
    if (close >= 0) text.remove(close, 1);
    text.remove(hash, 1);
  }
  if (text.contains(u'\n')) text.remove(u'\n');
  if (text.contains(u'\r')) text.replace(u'\r', QLatin1StringView("<BR>"));
  return text;
}

QString PlainText(const QString& markup) {
  QString plain;
  plain.reserve(markup.size());
  qsizetype pos = 0;
  while (pos < markup.size()) {
    qsizetype open = markup.indexOf(u'<', pos);
    if (open < 0) {
      plain.append(QStringView(markup).mid(pos));
      break;
    }
    plain.append(QStringView(markup).mid(pos, open - pos));
    qsizetype close = markup.indexOf(u'>', open);
    if (close < 0) break;
    QStringView tag = QStringView(markup).mid(open, close - open + 1);
    if (tag.compare(QLatin1StringView("<BR>"), Qt::CaseInsensitive) == 0 ||
        tag.compare(QLatin1StringView("<HR>"), Qt::CaseInsensitive) == 0) {
      plain.append(QLatin1StringView("\r\n"));
    }
    pos = close + 1;
  }
  return plain;
}

QString InsertAroundText(const QString& markup, const QString& text, bool case_sensitive,
                         QStringView open, QStringView close) {
  if (text.isEmpty()) return markup;
  // The visible text, and for each visible character where it sits in the
  // markup.
  QString visible;
  std::vector<qsizetype> where;
  qsizetype pos = 0;
  while (pos < markup.size()) {
    if (markup[pos] == u'<') {
      qsizetype end = markup.indexOf(u'>', pos);
      if (end < 0) break;
      pos = end + 1;
      continue;
    }
    visible.append(markup[pos]);
    where.push_back(pos);
    ++pos;
  }

  Qt::CaseSensitivity cs = case_sensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
  std::vector<std::pair<qsizetype, qsizetype>> spans;  // markup positions
  qsizetype from = 0;
  while ((from = visible.indexOf(text, from, cs)) >= 0) {
    qsizetype last = from + text.size() - 1;
    // Directly after the character before the match: ahead of any tags.
    qsizetype start = from == 0 ? 0 : where[from - 1] + 1;
    spans.emplace_back(start, where[last] + 1);
    from += text.size();
  }

  QString result;
  result.reserve(markup.size() +
                 static_cast<qsizetype>(spans.size()) * (open.size() + close.size()));
  qsizetype copied = 0;
  for (const auto& [start, end] : spans) {
    result.append(QStringView(markup).mid(copied, start - copied));
    result.append(open);
    result.append(QStringView(markup).mid(start, end - start));
    result.append(close);
    copied = end;
  }
  result.append(QStringView(markup).mid(copied));
  return result;
}

QString RemoveTagPair(QString markup, QStringView open, QStringView close) {
  markup.remove(open.toString(), Qt::CaseInsensitive);
  markup.remove(close.toString(), Qt::CaseInsensitive);
  return markup;
}

}  // namespace parlotto
