// How the voice lists name and order the runtime's voices for a German
// reader: the language in German, German voices first, and no text in a
// script that no installed font can draw (it would show as empty boxes).
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "vsettings/speech_runtime.h"

namespace parlotto::vsettings {

// Whether some installed font draws every letter of `text`.
bool CanBeDrawn(const QString& text);

// The language of an espeak-ng language code in German, with its variant:
// "en-gb" is "Englisch (Großbritannien)". A code the table lacks gets the
// language's own name where that can be drawn, else `fallback`.
QString GermanLanguageName(const QString& code, const QString& fallback,
                           const std::function<bool(const QString&)>& drawable = CanBeDrawn);

// One entry per voice, German voices first, then by their German names.
struct VoiceEntry {
  const Voice* voice = nullptr;
  QString text;     // "Englisch (Großbritannien)"
  QString details;  // the runtime's own name and code, for the tool tip
};
std::vector<VoiceEntry> VoiceEntries(const std::vector<Voice>& voices);

}  // namespace parlotto::vsettings
