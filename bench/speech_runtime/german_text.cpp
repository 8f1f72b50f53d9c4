#include "german_text.h"

#include <QByteArray>
#include <cstdint>
#include <iterator>

namespace parlotto::bench {
namespace {

// Sentences with what a reading meets: numbers, umlauts, abbreviations,
// questions, long compounds.
const char* const kSentences[] = {
    "Am Montag, dem 3. März, regnete es in Hamburg fast den ganzen Tag.",
    "Die Straßenbahn kam mit zwölf Minuten Verspätung, was niemanden überraschte.",
    "Wie viele Bücher passen eigentlich in ein Regal von zwei Metern Breite?",
    "Der Bürgermeister eröffnete das neue Schwimmbad mit einer kurzen Rede.",
    "Im Jahr 1989 fiel die Mauer, und viele Menschen feierten auf den Straßen.",
    "Bitte schließen Sie die Fenster, bevor Sie das Haus verlassen.",
    "Die Donaudampfschifffahrtsgesellschaft ist ein beliebtes Beispiel für lange Wörter.",
    "Zum Frühstück gab es Brötchen, Käse, Marmelade und einen starken Kaffee.",
    "Nach etwa 250 Kilometern erreichten wir endlich die Küste der Ostsee.",
    "Warum ist der Himmel blau, und warum sind Sonnenuntergänge rot?",
    "Die Temperatur lag bei minus 7 Grad, der Wind blies kräftig aus Osten.",
    "Frau Dr. Müller hält ihren Vortrag um 14:30 Uhr im großen Saal.",
    "Das Orchester spielte zuerst Beethoven und nach der Pause Brahms.",
    "Er zählte die Münzen zweimal und kam jedes Mal auf 3,75 Euro.",
    "Über den Feldern kreisten Bussarde, unten weideten ruhige Kühe.",
    "Die Bibliothek bleibt wegen Umbauarbeiten bis Ende Oktober geschlossen.",
    "Können Sie mir sagen, wo der nächste Bahnhof ist?",
    "Im Garten blühten Tulpen, Narzissen und ein einzelner Fliederbusch.",
    "Der Zug nach München fährt heute ausnahmsweise von Gleis 9 ab.",
    "Ihre Großmutter erzählte gern Geschichten aus der Zeit vor dem Krieg.",
    "Die Ergebnisse der Umfrage werden nächste Woche veröffentlicht.",
    "Auf dem Markt kosteten die Äpfel heute nur 1,20 Euro das Kilo.",
    "Ein leises Summen erfüllte den Raum, dann wurde es wieder still.",
    "Das Gesetz tritt am 1. Januar in Kraft und gilt für alle Bundesländer.",
};

}  // namespace

QString GermanText(int bytes) {
  QByteArray text;
  std::uint32_t state = 12345;  // a fixed seed: the same text every run
  int in_paragraph = 0;
  while (text.size() < bytes) {
    state = state * 1664525u + 1013904223u;
    text += kSentences[(state >> 8) % std::size(kSentences)];
    text += ++in_paragraph % 6 == 0 ? "\n\n" : " ";
  }
  return QString::fromUtf8(text);
}

}  // namespace parlotto::bench
