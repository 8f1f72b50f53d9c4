// The Info window: what the program is, its version and who makes it.
// Created hidden at start-up, shown without being modal, hidden again by its
// close box, Escape or Enter.
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
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

extern TInfo* Info;

}  // namespace parlotto
