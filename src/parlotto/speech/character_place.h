// Where the character goes on the primary screen. The screen's origin
// counts: a primary monitor to the right of another one starts at x > 0.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace parlotto {

// A saved position off the screen is put 128 pixels into it, each
// coordinate on its own; (0, 0) means none was saved and stays.
QPoint SavedPositionOnScreen(const QRect& screen, QPoint saved);

// A character of `size` at `at` that sticks out past the screen's right or
// bottom edge moves in to 10 pixels from it; nothing when it fits.
std::optional<QPoint> MovedIntoScreen(const QRect& screen, QPoint at, QSize size);

}  // namespace parlotto
