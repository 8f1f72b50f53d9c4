#include "app/vocato_form.h"

namespace parlotto {

void TVocatoForm::CreateInfoWindow() {}

void TVocatoForm::ShowInfoWindow() {}

void TVocatoForm::ShowWaitDialog() {}

}  // namespace parlotto
