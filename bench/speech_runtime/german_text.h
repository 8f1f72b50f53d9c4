// A German text of a given size, the same on every run.
#pragma once

#include <QString>

namespace parlotto::bench {

// At least `bytes` bytes in UTF-8, in paragraphs of whole sentences.
QString GermanText(int bytes);

}  // namespace parlotto::bench
