// The Info window's frame and wording.
#include "parlotto/ui/dialogs/info.h"

#include <gtest/gtest.h>

#include "parlotto/ui/dialogs/window_frame.h"
#include "parlotto/ui/htmlabel.h"

namespace parlotto {
namespace {

TEST(InfoWindow, IsAToolWindowWithACloseBoxOnlyAndAFixedSize) {
  TInfo info;
  testing::ExpectCloseBoxOnly(info, Qt::Tool);
  testing::ExpectFixedSize(info, QSize(331, 128));
}

TEST(InfoWindow, NamesLinuxAsThePlatformAndKeepsItsOtherLines) {
  TInfo info;
  EXPECT_EQ(info.HTMLabel1->GetText(),
            QStringLiteral("Parlotto\r\nDas Vorleseprogramm für Linux\r\n© Zentravol 2026\r\n"
                           "www.zentravol.example"));
  EXPECT_FALSE(info.HTMLabel1->GetDisplText().contains(QStringLiteral("Windows")));
}

}  // namespace
}  // namespace parlotto
