// The wait dialog: a running file-copy animation and a text, drawn
// translucent, shown while a PDF file is converted or a page loads.
#pragma once

#include <QDialog>

namespace parlotto {

class THTMLabel;
class TLayeredForm;
class TFileCopyAnimation;

class TfrmWarten : public QDialog {
 public:
  TfrmWarten();

  // Replaces the text: the label's lines become this one line.
  void SetText(const QString& markup);

  TFileCopyAnimation* Animate1;
  THTMLabel* HTMLabel1;
  TLayeredForm* LayeredForm1;
};

// The one wait dialog while it exists.
extern TfrmWarten* frmWarten;

}  // namespace parlotto
