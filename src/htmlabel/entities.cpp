#include "htmlabel/entities.h"

#include <array>

namespace parlotto {
namespace {

struct Entity {
  const char* name;  // without "&" and ";"
  const char16_t* text;
};

constexpr std::array<Entity, 9> kEntities = {{
    {"amp", u"&&"},
    {"quot", u"\""},
    {"sect", u"\u00A7"},
    {"permil", u"\u2030"},
    {"reg", u"\u00AE"},
    {"copy", u"\u00A9"},
    {"para", u"\u00B6"},
    {"trade", u"\u2122"},
    {"euro", u"\u20AC"},
}};

constexpr qsizetype kLongestName = 6;

}  // namespace

// Replacing into an output buffer and looking back at each ";" reaches the
// same result as replacing repeatedly until nothing changes (a replacement can
// only form a new entity with the text after it), but in one pass, so
// "&amp;amp;amp;..." cannot make it quadratic.
QString ReplaceEntities(const QString& markup) {
  if (!markup.contains(u'&')) return markup;
  QString out;
  out.reserve(markup.size());
  for (QChar c : markup) {
    out.append(c);
    if (c != u';') continue;
    // Only the last few characters can hold the entity's "&".
    qsizetype amp = -1;
    for (qsizetype i = out.size() - 2; i >= 0 && i >= out.size() - kLongestName - 2; --i) {
      if (out[i] == u'&') {
        amp = i;
        break;
      }
    }
    qsizetype name_length = out.size() - amp - 2;
    if (amp < 0 || name_length < 3) continue;
    QStringView name = QStringView(out).mid(amp + 1, name_length);
    for (const Entity& entity : kEntities) {
      if (name.compare(QLatin1StringView(entity.name), Qt::CaseInsensitive) == 0) {
        out.truncate(amp);
        out.append(QStringView(entity.text));
        break;
      }
    }
  }
  return out;
}

QString ReplaceRunEntities(QString run) {
  if (!run.contains(u'&')) return run;
  run.replace(QLatin1StringView("&nbsp;"), QLatin1StringView(" "), Qt::CaseInsensitive);
  run.replace(QLatin1StringView("&lt;"), QLatin1StringView("<"), Qt::CaseInsensitive);
  run.replace(QLatin1StringView("&gt;"), QLatin1StringView(">"), Qt::CaseInsensitive);
  return run;
}

}  // namespace parlotto
