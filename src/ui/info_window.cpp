// The windows the main window shows: the Info window and the wait dialog.
#include "app/vocato_form.h"
#include "ui/dialogs/info.h"
#include "ui/dialogs/wait_dialog.h"

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
