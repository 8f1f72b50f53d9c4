#include "parlotto/ui/dialogs/wait_dialog.h"

#include "parlotto/ui/dialogs/dialog_parts.h"
#include "parlotto/ui/dialogs/file_copy_animation.h"
#include "parlotto/ui/htmlabel.h"
#include "parlotto/ui/layered_form.h"

namespace parlotto {

TfrmWarten* frmWarten = nullptr;

TfrmWarten::TfrmWarten() : QDialog(nullptr, kDialogFlags) {
  setWindowTitle(QStringLiteral("PDF-Datei konvertieren"));
  ApplyFormFont(this);
  setFixedSize(275, 106);
  Animate1 = new TFileCopyAnimation(this);
  Animate1->setGeometry(0, 0, 272, 60);
  Animate1->SetActive(true);
  HTMLabel1 = CreateHTMLabel1(this, QRect(0, 64, 273, 41),
                              QStringLiteral("<FONT face=\"Tahoma\"><B><P align=\"center\">Warten "
                                             "Sie bitte,<br>bis die PDF-Datei konvertiert "
                                             "ist.</P></B></FONT>"));
  LayeredForm1 = new TLayeredForm(this);
  LayeredForm1->SetAlpha(200);
  LayeredForm1->SetColorKey(Qt::black);
  LayeredForm1->SetLayerType(ltAlphaBlend);
  CentreOnDesktop(this);
}

void TfrmWarten::SetText(const QString& markup) {
  HTMLabel1->HTMLText().Clear();
  HTMLabel1->HTMLText().Add(markup);
}

}  // namespace parlotto
