// The windows the main window shows: the Info window and the wait dialog.
#include "parlotto/ui/dialogs/info.h"
#include "parlotto/ui/dialogs/wait_dialog.h"
#include "parlotto/vocato_form.h"

namespace parlotto {

void TVocatoForm::CreateInfoWindow() {
  if (Info == nullptr) Info = new TInfo;
}

void TVocatoForm::ShowInfoWindow() {
  CreateInfoWindow();
  Info->ShowInFront();
}

void TVocatoForm::ShowWaitDialog() {
  delete frmWarten;
  frmWarten = new TfrmWarten;
  frmWarten->show();
}

void TVocatoForm::CloseWaitDialog() {
  delete frmWarten;
  frmWarten = nullptr;
}

}  // namespace parlotto
