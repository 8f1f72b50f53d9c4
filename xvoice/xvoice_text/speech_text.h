// From a text as handed to Speak to espeak-ng's input. The speech tags
// \Spd=n\ (words per minute), \Pit=n\ (Hz) and \Vol=n\ (0..65535) become
// espeak-ng's embedded commands where they stand; other tags (\Mrk=1\,
// \Chr="x"\, ...) are dropped. A tag is a backslash, a name of letters, at
// most 256 further characters without a backslash or line break, and a
// closing backslash; a backslash that starts no tag is text.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace parlotto::xvoice {

// What an utterance starts with; tags change it from where they stand.
struct VoiceSettings {
  int speed = 0;   // words per minute
  int pitch = 0;   // Hz
  int volume = 0;  // overall level, 0..65535
};

struct EspeakText {
  std::string utf8;
  // The start's pitch and volume in espeak-ng's units, to be set as its
  // parameters: as commands before the text they add a silence before the
  // first word, which lengthens the pause between the texts of a reading.
  int pitch = 50;
  int volume = 100;
  // Tags that were dropped because their value is not a number, quoted as
  // they stand, for the log.
  std::vector<QString> malformed_tags;
  // For each code point of `utf8`: the UTF-16 index in the text it came
  // from, or -1 for a character of an embedded command. espeak-ng reports
  // word positions in code points of its input; this leads them back.
  std::vector<std::int32_t> origins;
};

// Characters that espeak-ng must not see (controls, among them its own
// command character, lone surrogates, non-characters) become blanks, so
// the input is always valid UTF-8 without hidden commands.
EspeakText ToEspeakText(const QString& text, const VoiceSettings& start);

// A text as a reader sees it: every tag taken out. `origin[i]` is the index
// in the given text of the shown text's unit i, so that positions in the
// given text (word positions) can be carried over.
struct TextWithoutTags {
  QString text;
  std::vector<qsizetype> origin;
};
TextWithoutTags RemoveSpeechTags(const QString& text);

}  // namespace parlotto::xvoice
