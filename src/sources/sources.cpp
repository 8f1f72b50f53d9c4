#include "app/vocato_form.h"

namespace parlotto {

void TVocatoForm::ReadClipboard() {}

void TVocatoForm::ReadTextFile(const std::string&) {}

void TVocatoForm::ReadBrowserWindow() {}

void TVocatoForm::ReadWebPage(const std::string&) {}

void TVocatoForm::ReadWordDocument() {}

}  // namespace parlotto
