// The Info window: what the program is and who makes it. Created hidden at
// start-up, shown without being modal, hidden again by its close box.
#pragma once

#include <QWidget>

class QLabel;

namespace parlotto {

class THTMLabel;

class TInfo : public QWidget {
 public:
  TInfo();

  // Shows the window, or brings it to the front when it is shown already.
  void ShowInFront();
  void HTMLabel1AnchorClick(const QString& anchor);

  THTMLabel* HTMLabel1;
  QLabel* Image1;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

extern TInfo* Info;

}  // namespace parlotto
