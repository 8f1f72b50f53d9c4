// What the window manager is asked for: the window's type, its boxes, and
// whether it may be resized.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>

namespace parlotto::testing {

// A caption with a close box and nothing else. Without CustomizeWindowHint
// the platform may add the boxes it thinks the type should have; Qt itself
// adds the system menu to any close box, so that one is allowed.
inline void ExpectCloseBoxOnly(const QWidget& window, Qt::WindowType type) {
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, type);
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  for (Qt::WindowType unwanted :
       {Qt::WindowMinimizeButtonHint, Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint,
        Qt::WindowFullscreenButtonHint, Qt::FramelessWindowHint}) {
    EXPECT_FALSE(flags.testFlag(unwanted)) << Qt::WindowFlags(unwanted);
  }
}

inline void ExpectFixedSize(const QWidget& window, QSize size) {
  EXPECT_EQ(window.size(), size);
  EXPECT_EQ(window.minimumSize(), size);
  EXPECT_EQ(window.maximumSize(), size);
}

}  // namespace parlotto::testing
