// The wait dialog's frame.
#include "parlotto/ui/dialogs/wait_dialog.h"

#include <gtest/gtest.h>

#include "parlotto/ui/dialogs/window_frame.h"

namespace parlotto {
namespace {

TEST(WaitDialogFrame, HasACloseBoxOnlyAndAFixedSize) {
  TfrmWarten dialog;
  testing::ExpectCloseBoxOnly(dialog, Qt::Dialog);
  testing::ExpectFixedSize(dialog, QSize(275, 106));
  // Changing the caption, as the web page source does, keeps the frame.
  dialog.setWindowTitle(QStringLiteral("Warte auf die Webseite"));
  testing::ExpectCloseBoxOnly(dialog, Qt::Dialog);
}

}  // namespace
}  // namespace parlotto
