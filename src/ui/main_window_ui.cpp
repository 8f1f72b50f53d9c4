#include "app/vocato_form.h"

namespace parlotto {

void TVocatoForm::FormCreate() {}

bool TVocatoForm::FormCloseQuery() { return true; }

void TVocatoForm::CreateInfoWindow() {}

void TVocatoForm::ShowWaitDialog() {}

}  // namespace parlotto
