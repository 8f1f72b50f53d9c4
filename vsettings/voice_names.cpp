#include "vsettings/voice_names.h"

#include <QCollator>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <utility>

namespace parlotto::vsettings {
namespace {

struct Name {
  const char* code;
  const char* german;
};

// The languages of espeak-ng's voices. Qt names languages in English or in
// their own language only.
constexpr Name kLanguages[] = {
    {"af", "Afrikaans"},
    {"am", "Amharisch"},
    {"an", "Aragonesisch"},
    {"ar", "Arabisch"},
    {"as", "Assamesisch"},
    {"az", "Aserbaidschanisch"},
    {"ba", "Baschkirisch"},
    {"be", "Belarussisch"},
    {"bg", "Bulgarisch"},
    {"bn", "Bengalisch"},
    {"bpy", "Bishnupriya"},
    {"bs", "Bosnisch"},
    {"ca", "Katalanisch"},
    {"chr", "Cherokee"},
    {"cmn", "Hochchinesisch"},
    {"cs", "Tschechisch"},
    {"cv", "Tschuwaschisch"},
    {"cy", "Walisisch"},
    {"da", "Dänisch"},
    {"de", "Deutsch"},
    {"el", "Griechisch"},
    {"en", "Englisch"},
    {"eo", "Esperanto"},
    {"es", "Spanisch"},
    {"et", "Estnisch"},
    {"eu", "Baskisch"},
    {"fa", "Persisch"},
    {"fi", "Finnisch"},
    {"fr", "Französisch"},
    {"ga", "Irisch"},
    {"gd", "Schottisch-Gälisch"},
    {"gn", "Guaraní"},
    {"grc", "Altgriechisch"},
    {"gu", "Gujarati"},
    {"hak", "Hakka"},
    {"haw", "Hawaiisch"},
    {"he", "Hebräisch"},
    {"hi", "Hindi"},
    {"hr", "Kroatisch"},
    {"ht", "Haitianisch"},
    {"hu", "Ungarisch"},
    {"hy", "Armenisch"},
    {"hyw", "Westarmenisch"},
    {"ia", "Interlingua"},
    {"id", "Indonesisch"},
    {"io", "Ido"},
    {"is", "Isländisch"},
    {"it", "Italienisch"},
    {"ja", "Japanisch"},
    {"jbo", "Lojban"},
    {"ka", "Georgisch"},
    {"kk", "Kasachisch"},
    {"kl", "Grönländisch"},
    {"kn", "Kannada"},
    {"ko", "Koreanisch"},
    {"kok", "Konkani"},
    {"ku", "Kurdisch"},
    {"ky", "Kirgisisch"},
    {"la", "Latein"},
    {"lb", "Luxemburgisch"},
    {"lfn", "Lingua Franca Nova"},
    {"lt", "Litauisch"},
    {"ltg", "Lettgallisch"},
    {"lv", "Lettisch"},
    {"mi", "Maori"},
    {"mk", "Mazedonisch"},
    {"ml", "Malayalam"},
    {"mr", "Marathi"},
    {"ms", "Malaiisch"},
    {"mt", "Maltesisch"},
    {"my", "Birmanisch"},
    {"nb", "Norwegisch (Bokmål)"},
    {"nci", "Klassisches Nahuatl"},
    {"ne", "Nepalesisch"},
    {"nl", "Niederländisch"},
    {"nog", "Nogaisch"},
    {"om", "Oromo"},
    {"or", "Oriya"},
    {"pa", "Panjabi"},
    {"pap", "Papiamentu"},
    {"piqd", "Klingonisch"},
    {"pl", "Polnisch"},
    {"pt", "Portugiesisch"},
    {"py", "Pyash"},
    {"qdb", "Belter"},
    {"qu", "Quechua"},
    {"quc", "K’iche’"},
    {"qya", "Quenya"},
    {"ro", "Rumänisch"},
    {"ru", "Russisch"},
    {"sd", "Sindhi"},
    {"shn", "Shan"},
    {"si", "Singhalesisch"},
    {"sjn", "Sindarin"},
    {"sk", "Slowakisch"},
    {"sl", "Slowenisch"},
    {"smj", "Lulesamisch"},
    {"sq", "Albanisch"},
    {"sr", "Serbisch"},
    {"sv", "Schwedisch"},
    {"sw", "Suaheli"},
    {"ta", "Tamil"},
    {"te", "Telugu"},
    {"th", "Thailändisch"},
    {"tk", "Turkmenisch"},
    {"tn", "Setswana"},
    {"tr", "Türkisch"},
    {"tt", "Tatarisch"},
    {"ug", "Uigurisch"},
    {"uk", "Ukrainisch"},
    {"ur", "Urdu"},
    {"uz", "Usbekisch"},
    {"vi", "Vietnamesisch"},
    {"yue", "Kantonesisch"},
};

// What follows the language in a code: regions, scripts, dialects.
constexpr Name kVariants[] = {
    {"029", "Karibik"},
    {"419", "Lateinamerika"},
    {"be", "Belgien"},
    {"br", "Brasilien"},
    {"ch", "Schweiz"},
    {"fr", "Frankreich"},
    {"gb", "Großbritannien"},
    {"gb-scotland", "Schottland"},
    {"gb-x-gbclan", "Lancaster"},
    {"gb-x-gbcwmd", "West Midlands"},
    {"gb-x-rp", "Received Pronunciation"},
    {"latn", "lateinische Schrift"},
    {"latn-pinyin", "Pinyin"},
    {"lv", "Lettland"},
    {"us", "USA"},
    {"us-nyc", "New York City"},
    {"us-qaaa-x-west", "West"},
    {"vn-x-central", "Mitte"},
    {"vn-x-south", "Süden"},
};

QString Lookup(const Name* begin, const Name* end, const QString& code) {
  const Name* found =
      std::find_if(begin, end, [&](const Name& name) { return code == QLatin1String(name.code); });
  return found == end ? QString() : QString::fromUtf8(found->german);
}

// The writing systems Qt can tell an installed font supports.
const QHash<QChar::Script, QFontDatabase::WritingSystem>& ScriptSystems() {
  using W = QFontDatabase::WritingSystem;
  static const QHash<QChar::Script, W> systems = {{QChar::Script_Latin, W::Latin},
                                                  {QChar::Script_Greek, W::Greek},
                                                  {QChar::Script_Cyrillic, W::Cyrillic},
                                                  {QChar::Script_Armenian, W::Armenian},
                                                  {QChar::Script_Hebrew, W::Hebrew},
                                                  {QChar::Script_Arabic, W::Arabic},
                                                  {QChar::Script_Syriac, W::Syriac},
                                                  {QChar::Script_Thaana, W::Thaana},
                                                  {QChar::Script_Devanagari, W::Devanagari},
                                                  {QChar::Script_Bengali, W::Bengali},
                                                  {QChar::Script_Gurmukhi, W::Gurmukhi},
                                                  {QChar::Script_Gujarati, W::Gujarati},
                                                  {QChar::Script_Oriya, W::Oriya},
                                                  {QChar::Script_Tamil, W::Tamil},
                                                  {QChar::Script_Telugu, W::Telugu},
                                                  {QChar::Script_Kannada, W::Kannada},
                                                  {QChar::Script_Malayalam, W::Malayalam},
                                                  {QChar::Script_Sinhala, W::Sinhala},
                                                  {QChar::Script_Thai, W::Thai},
                                                  {QChar::Script_Lao, W::Lao},
                                                  {QChar::Script_Tibetan, W::Tibetan},
                                                  {QChar::Script_Myanmar, W::Myanmar},
                                                  {QChar::Script_Georgian, W::Georgian},
                                                  {QChar::Script_Khmer, W::Khmer},
                                                  {QChar::Script_Han, W::SimplifiedChinese},
                                                  {QChar::Script_Hiragana, W::Japanese},
                                                  {QChar::Script_Katakana, W::Japanese},
                                                  {QChar::Script_Hangul, W::Korean},
                                                  {QChar::Script_Ogham, W::Ogham},
                                                  {QChar::Script_Runic, W::Runic},
                                                  {QChar::Script_Nko, W::Nko}};
  return systems;
}

// The language's own name from Qt's locale data, "" when it has none.
QString NativeName(const QString& code) {
  const QLocale locale(code);
  if (locale.language() == QLocale::C) return QString();
  return locale.nativeLanguageName();
}

QString OwnName(const Voice& voice) {
  QString name = voice.name;
  return name.replace(QLatin1Char('_'), QLatin1Char(' '));
}

bool IsGerman(const Voice& voice) {
  return voice.language == QLatin1String("de") || voice.language.startsWith(QStringLiteral("de-"));
}

}  // namespace

bool CanBeDrawn(const QString& text) {
  static const QList<QFontDatabase::WritingSystem> installed = QFontDatabase::writingSystems();
  const QFontMetrics metrics(QGuiApplication::font());
  for (const char32_t letter : text.toUcs4()) {
    const QChar::Script script = QChar::script(letter);
    if (script == QChar::Script_Common || script == QChar::Script_Inherited) continue;
    const auto system = ScriptSystems().constFind(script);
    // A script Qt has no writing system for counts when the window's own
    // font has the letter: Qt does not say which fonts have it.
    const bool drawn = system != ScriptSystems().constEnd() ? installed.contains(*system)
                                                            : metrics.inFontUcs4(letter);
    if (!drawn) return false;
  }
  return true;
}

QString GermanLanguageName(const QString& code, const QString& fallback,
                           const std::function<bool(const QString&)>& drawable) {
  const QString lower = code.toLower();
  const int dash = lower.indexOf(QLatin1Char('-'));
  const QString language = dash < 0 ? lower : lower.left(dash);
  QString name = Lookup(std::begin(kLanguages), std::end(kLanguages), language);
  if (name.isEmpty()) {
    const QString native = NativeName(language);
    name = !native.isEmpty() && drawable(native) ? native : fallback;
  }
  if (dash < 0) return name;
  const QString variant = Lookup(std::begin(kVariants), std::end(kVariants), lower.mid(dash + 1));
  return variant.isEmpty() ? QStringLiteral("%1 (%2)").arg(name, lower.mid(dash + 1))
                           : QStringLiteral("%1 (%2)").arg(name, variant);
}

std::vector<VoiceEntry> VoiceEntries(const std::vector<Voice>& voices) {
  std::vector<VoiceEntry> entries;
  for (const Voice& voice : voices) {
    const QString own_name = OwnName(voice);
    const QString text =
        voice.language.isEmpty() ? own_name : GermanLanguageName(voice.language, own_name);
    entries.push_back({&voice, text, QStringLiteral("%1, %2").arg(own_name, voice.language)});
  }
  // Two voices of one language (Cantonese, and Cantonese in Latin letters)
  // are told apart by the runtime's names.
  QHash<QString, int> uses;
  for (const VoiceEntry& entry : entries) ++uses[entry.text];
  for (VoiceEntry& entry : entries) {
    if (uses.value(entry.text) > 1) entry.text += QStringLiteral(" – ") + OwnName(*entry.voice);
  }
  const QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
  std::stable_sort(entries.begin(), entries.end(), [&](const VoiceEntry& a, const VoiceEntry& b) {
    if (IsGerman(*a.voice) != IsGerman(*b.voice)) return IsGerman(*a.voice);
    return collator.compare(a.text, b.text) < 0;
  });
  return entries;
}

}  // namespace parlotto::vsettings
