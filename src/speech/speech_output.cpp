#include "app/vocato_form.h"

namespace parlotto {

void TVocatoForm::ReadText() {}

void TVocatoForm::StopAndHideCharacter() {}

void TVocatoForm::UnloadCharacter() {}

void TVocatoForm::DestroyDirectSpeech() {}

}  // namespace parlotto
