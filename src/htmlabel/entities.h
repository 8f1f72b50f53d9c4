// Character entities. Most are replaced in the whole markup before layout;
// "&nbsp;", "&lt;" and "&gt;" only inside a run of plain text, so that an
// escaped "<" can never start a tag.
#pragma once

#include <QString>

namespace parlotto {

// Replaces "&amp;" (by "&&", which prefix processing draws as one "&"),
// "&quot;", "&sect;", "&permil;", "&reg;", "&copy;", "&para;", "&trade;" and
// "&euro;" without regard to case, until none is left.
QString ReplaceEntities(const QString& markup);

// Replaces "&nbsp;", "&lt;" and "&gt;" in one run of plain text.
QString ReplaceRunEntities(QString run);

}  // namespace parlotto
