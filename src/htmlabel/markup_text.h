// Text operations on whole markup that need no layout: preparing it for
// drawing, its plain text, and marking or highlighting words in it.
#pragma once

#include <QString>
#include <QStringView>

namespace parlotto {

// What the renderer lays out: entities replaced, the first "<#" opened up
// (its "<" and the next ">" removed), line feeds dropped and every carriage
// return turned into "<BR>".
QString PrepareMarkup(const QString& markup);

// The markup without tags: "<BR>" and "<HR>" (any case) become CR LF, entities
// stay as written. A "<" without ">" ends the text, as in drawing.
QString PlainText(const QString& markup);

// Puts `open` before and `close` after every occurrence of `text` in the
// visible text (the markup without tags). An insertion point just after a tag
// goes before it, so a highlight that starts a bold word includes the "<B>".
QString InsertAroundText(const QString& markup, const QString& text, bool case_sensitive,
                         QStringView open, QStringView close);

// Removes every `open` and `close` tag, without regard to case.
QString RemoveTagPair(QString markup, QStringView open, QStringView close);

}  // namespace parlotto
