// The Info window's frame and wording.
#include "parlotto/ui/dialogs/info.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QRegularExpression>

#include "parlotto/ui/dialogs/window_frame.h"
#include "parlotto/ui/htmlabel.h"

namespace parlotto {
namespace {

TEST(InfoWindow, IsAToolWindowWithACloseBoxOnlyAndAFixedSize) {
  TInfo info;
  testing::ExpectCloseBoxOnly(info, Qt::Tool);
  testing::ExpectFixedSize(info, QSize(331, 128));
}

TEST(InfoWindow, NamesItsVersionAndLinuxAsThePlatformAndKeepsItsOtherLines) {
  TInfo info;
  const QRegularExpression lines(QStringLiteral(
      "^Parlotto\r\nVersion \\d+\\.\\d+(\\.\\d+)*\r\nDas Vorleseprogramm für Linux\r\n"
      "© Zentravol 2026\r\nwww\\.zentravol\\.example$"));
  EXPECT_TRUE(lines.match(info.HTMLabel1->GetText()).hasMatch())
      << info.HTMLabel1->GetText().toStdString();
  EXPECT_FALSE(info.HTMLabel1->GetDisplText().contains(QStringLiteral("Windows")));
}

TEST(InfoWindow, ClosesOnTheKeysThatEndADialog) {
  TInfo info;
  for (const int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    info.show();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&info, &press);
    EXPECT_FALSE(info.isVisible()) << key;
  }
  info.show();
  QKeyEvent other(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  QCoreApplication::sendEvent(&info, &other);
  EXPECT_TRUE(info.isVisible());
}

}  // namespace
}  // namespace parlotto
