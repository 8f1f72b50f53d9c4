// Loading and unloading the character. Not built yet: there is no character
// server to load it from, so loading fails and the read routine logs
// "AgantWasNotLoaded" and reads nothing; users read with "noAgent"=1 until
// then. Unloading has nothing to release.
#include "app/vocato_form.h"

namespace parlotto {

bool TVocatoForm::LoadCharacter() { return false; }

void TVocatoForm::UnloadCharacter() {}

}  // namespace parlotto
