#include "app/vocato_form.h"

namespace parlotto {

bool TVocatoForm::LoadCharacter() { return false; }

void TVocatoForm::UnloadCharacter() {}

}  // namespace parlotto
