// The frames of the dialogs that tell the user which speech component is
// missing.
#include "parlotto/ui/dialogs/error_dialog.h"

#include <gtest/gtest.h>

#include <memory>

#include "parlotto/ui/dialogs/window_frame.h"

namespace parlotto {
namespace {

TEST(ErrorDialogFrame, EachMissingComponentDialogHasACloseBoxOnlyAndItsFrame) {
  struct Case {
    std::unique_ptr<TErrorDialog> dialog;
    QSize client;
    bool sizeable;
  };
  // The last three have a sizeable frame and were laid out by their outer size: a 4 pixel frame and
  // a 23 pixel caption around the client area.
  Case cases[] = {
      {std::make_unique<TFehlerMeldungSAPI>(), {373, 144}, false},
      {std::make_unique<TFehlerMeldungTTS>(), {359 - 8, 172 - 31}, true},
      {std::make_unique<TFehlerMeldungAGENT>(), {363 - 8, 177 - 31}, true},
      {std::make_unique<TFehlerMeldungAGENTS>(), {379 - 8, 171 - 31}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialog->windowTitle().toStdString());
    testing::ExpectCloseBoxOnly(*c.dialog, Qt::Dialog);
    if (c.sizeable) {
      EXPECT_EQ(c.dialog->size(), c.client);
      EXPECT_LT(c.dialog->minimumSize().width(), c.client.width());
      EXPECT_GT(c.dialog->maximumSize().width(), c.client.width());
    } else {
      testing::ExpectFixedSize(*c.dialog, c.client);
    }
    EXPECT_TRUE(c.dialog->isModal());
  }
}

}  // namespace
}  // namespace parlotto
