// What the balloon shows of a text being spoken: the words, not the speech
// tags and not the spacing. A reader puts a blank in front of every piece
// and keeps the empty lines of its text; neither is anything to read.
#pragma once

#include <QString>
#include <vector>

namespace parlotto::agent {

struct ShownText {
  QString text;
  // For each unit of `text`, its position in the spoken text, growing:
  // the word positions of the speech map onto the shown text through it.
  std::vector<qsizetype> origin;
};

// Drops the speech tags and the blanks at either end; a run of blanks
// becomes one blank, and a run of blanks holding line breaks (empty lines
// among them) one line break.
ShownText ShownTextOf(const QString& spoken);

}  // namespace parlotto::agent
