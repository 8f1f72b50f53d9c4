#include "app/vocato_form.h"

namespace parlotto {

void TVocatoForm::ReadBrowserWindow() {}

void TVocatoForm::ReadWebPage(const std::string&) {}

}  // namespace parlotto
