// The frames of the dialogs that tell the user which speech component is
// missing.
#include "ui/dialogs/error_dialog.h"

#include <gtest/gtest.h>

#include <memory>

#include "ui/dialogs/window_frame.h"

namespace parlotto {
namespace {

TEST(ErrorDialogFrame, EachMissingComponentDialogHasACloseBoxOnlyAndAFixedSize) {
  struct Case {
    std::unique_ptr<TErrorDialog> dialog;
    QSize client;
  };
  // The last three were laid out by their outer size: a 4 pixel frame and
  // a 23 pixel caption around the client area.
  Case cases[] = {
      {std::make_unique<TFehlerMeldungSAPI>(), {373, 144}},
      {std::make_unique<TFehlerMeldungTTS>(), {359 - 8, 172 - 31}},
      {std::make_unique<TFehlerMeldungAGENT>(), {363 - 8, 177 - 31}},
      {std::make_unique<TFehlerMeldungAGENTS>(), {379 - 8, 171 - 31}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dialog->windowTitle().toStdString());
    testing::ExpectCloseBoxOnly(*c.dialog, Qt::Dialog);
    testing::ExpectFixedSize(*c.dialog, c.client);
    EXPECT_TRUE(c.dialog->isModal());
  }
}

}  // namespace
}  // namespace parlotto
