// Test entry for tests that need the Qt application object.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/gui/fonts.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  parlotto::InstallFontSubstitutions();
  return RUN_ALL_TESTS();
}
