#include "app/vocato_form.h"

namespace parlotto {

void TVocatoForm::ReadBrowserWindow() {}

}  // namespace parlotto
