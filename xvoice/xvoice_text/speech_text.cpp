#include "xvoice/xvoice_text/speech_text.h"

#include <cstdint>
#include <optional>

#include "xvoice/xvoice_text/speech_values.h"

namespace parlotto::xvoice {
namespace {

constexpr QChar kBackslash = u'\\';
constexpr int kMaxTagName = 32;
constexpr int kMaxTagRest = 256;
// espeak-ng reads "\x01<number><letter>" anywhere in its input as a command.
constexpr char16_t kEspeakCommand = 0x01;

bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsTextBreak(QChar c) { return c == u'\n' || c == u'\r'; }

// An integer with optional blanks and sign; saturates instead of
// overflowing, the caller clamps anyway.
std::optional<std::int64_t> ParseNumber(QStringView text) {
  text = text.trimmed();
  bool negative = false;
  if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text = text.mid(1);
  }
  if (text.isEmpty()) return std::nullopt;
  std::int64_t value = 0;
  for (QChar c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    if (value < 1'000'000'000'000) value = value * 10 + (c.unicode() - u'0');
  }
  return negative ? -value : value;
}

void AppendCommand(QString* out, std::vector<std::int32_t>* origins, int value, char letter) {
  QString command = QChar(kEspeakCommand) + QString::number(value) + QLatin1Char(letter);
  out->append(command);
  origins->insert(origins->end(), static_cast<std::size_t>(command.size()), -1);
}

// At a backslash at `at`: the index past the tag that starts there (and in
// `*name_end` the end of its name), or `at` when no tag starts here.
qsizetype FindTagEnd(const QString& text, qsizetype at, qsizetype* name_end) {
  qsizetype i = at + 1;
  qsizetype end = i;
  while (end < text.size() && end - i < kMaxTagName && IsAsciiLetter(text[end])) ++end;
  if (end == i) return at;
  *name_end = end;
  qsizetype close = end;
  while (close < text.size() && close - end <= kMaxTagRest && text[close] != kBackslash &&
         !IsTextBreak(text[close])) {
    ++close;
  }
  if (close >= text.size() || text[close] != kBackslash) return at;
  return close + 1;
}

class TagReader {
 public:
  TagReader(const QString& text, EspeakText* result, QString* out)
      : text_(text), result_(result), out_(out) {}

  // At a backslash at `at`: consumes a whole tag and returns the index past
  // it, or returns `at` when no tag starts here.
  qsizetype Read(qsizetype at) {
    qsizetype name_end = 0;
    qsizetype end = FindTagEnd(text_, at, &name_end);
    if (end == at) return at;
    Apply(QStringView(text_).mid(at + 1, name_end - at - 1),
          QStringView(text_).mid(name_end, end - 1 - name_end),
          QStringView(text_).mid(at, end - at));
    return end;
  }

 private:
  void Apply(QStringView name, QStringView rest, QStringView whole) {
    char letter = 0;
    if (name.compare(u"Spd", Qt::CaseInsensitive) == 0) {
      letter = 'S';
    } else if (name.compare(u"Pit", Qt::CaseInsensitive) == 0) {
      letter = 'P';
    } else if (name.compare(u"Vol", Qt::CaseInsensitive) == 0) {
      letter = 'A';
    } else {
      return;  // a tag this runtime does not act on
    }
    std::optional<std::int64_t> value;
    if (rest.startsWith(u'=')) value = ParseNumber(rest.mid(1));
    if (!value) {
      result_->malformed_tags.push_back(whole.toString());
      return;
    }
    switch (letter) {
      case 'S':
        AppendCommand(out_, &result_->origins, ClampSpeed(*value), 'S');
        break;
      case 'P':
        AppendCommand(out_, &result_->origins, EspeakPitch(ClampPitch(*value)), 'P');
        break;
      default:
        AppendCommand(out_, &result_->origins, EspeakVolume(ClampVolume(*value)), 'A');
        break;
    }
  }

  const QString& text_;
  EspeakText* result_;
  QString* out_;
};

bool MustBlank(char16_t c) {
  if (c == u'\t' || c == u'\n' || c == u'\r') return false;
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
  if (c >= 0xFDD0 && c <= 0xFDEF) return true;
  // U+FFFD marks text that was broken before it came here; nothing to say.
  return c == 0xFFFD || c == 0xFFFE || c == 0xFFFF;
}

}  // namespace

EspeakText ToEspeakText(const QString& text, const VoiceSettings& start) {
  EspeakText result;
  QString out;
  out.reserve(text.size() + 32);
  // Every utterance states all three: espeak-ng keeps embedded values from
  // one input to the next. The speed as a command costs no silence.
  AppendCommand(&out, &result.origins, ClampSpeed(start.speed), 'S');
  result.pitch = EspeakPitch(ClampPitch(start.pitch));
  result.volume = EspeakVolume(ClampVolume(start.volume));

  // Commands that end a word are held back, at a blank, to the start of
  // the next word: they act on that word either way, but espeak-ng 1.51
  // misplaces the next word's position after them.
  QString held;
  auto hold_commands_ending_a_word = [&] {
    const std::size_t count = result.origins.size();
    std::size_t commands = 0;
    while (commands < count && result.origins[count - 1 - commands] < 0) ++commands;
    if (commands == 0 || commands == count) return;
    const auto units = static_cast<qsizetype>(commands);  // commands are ASCII
    if (out[out.size() - units - 1].isSpace()) return;
    held = out.right(units);
    out.chop(units);
    result.origins.resize(count - commands);
  };
  auto release = [&] {
    if (held.isEmpty()) return;
    out.append(held);
    result.origins.insert(result.origins.end(), static_cast<std::size_t>(held.size()), -1);
    held.clear();
  };

  TagReader tags(text, &result, &out);
  for (qsizetype i = 0; i < text.size();) {
    char16_t c = text[i].unicode();
    if (c == u'\\') {
      release();
      qsizetype next = tags.Read(i);
      if (next != i) {
        i = next;
        continue;
      }
      out.append(QChar(c));
      result.origins.push_back(static_cast<std::int32_t>(i));
      ++i;
      continue;
    }
    if (QChar::isSpace(c)) {
      if (held.isEmpty()) hold_commands_ending_a_word();
    } else {
      release();
    }
    result.origins.push_back(static_cast<std::int32_t>(i));
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      out.append(text[i]);
      out.append(text[i + 1]);
      i += 2;
      continue;
    }
    out.append(QChar::isSurrogate(c) || MustBlank(c) ? QChar(u' ') : QChar(c));
    ++i;
  }
  release();
  result.utf8 = out.toStdString();
  return result;
}

TextWithoutTags RemoveSpeechTags(const QString& text) {
  TextWithoutTags result;
  result.text.reserve(text.size());
  result.origin.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size();) {
    if (text[i] == kBackslash) {
      qsizetype name_end = 0;
      qsizetype end = FindTagEnd(text, i, &name_end);
      if (end != i) {
        i = end;
        continue;
      }
    }
    result.text.append(text[i]);
    result.origin.push_back(i);
    ++i;
  }
  return result;
}

}  // namespace parlotto::xvoice
