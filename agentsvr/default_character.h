// Where the default character comes from.
#pragma once

#include <QString>

namespace parlotto::agent {

// The first character file (`*.ac*`, by name) in `<system>/agent/chars/`,
// or empty when there is none.
QString DefaultCharacterFile();

}  // namespace parlotto::agent
