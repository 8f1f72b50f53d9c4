#include "parlotto/speech/character_place.h"

namespace parlotto {
namespace {

constexpr int kOffScreenInset = 128;
constexpr int kEdgeGap = 10;

}  // namespace

QPoint SavedPositionOnScreen(const QRect& screen, QPoint saved) {
  if (saved.isNull()) return saved;
  const int right = screen.x() + screen.width();
  const int bottom = screen.y() + screen.height();
  if (saved.x() > right || saved.x() < screen.x()) saved.setX(screen.x() + kOffScreenInset);
  if (saved.y() > bottom || saved.y() < screen.y()) saved.setY(screen.y() + kOffScreenInset);
  return saved;
}

std::optional<QPoint> MovedIntoScreen(const QRect& screen, QPoint at, QSize size) {
  const int right = screen.x() + screen.width();
  const int bottom = screen.y() + screen.height();
  bool moved = false;
  if (at.x() + size.width() > right) {
    at.setX(right - size.width() - kEdgeGap);
    moved = true;
  }
  if (at.y() + size.height() > bottom) {
    at.setY(bottom - size.height() - kEdgeGap);
    moved = true;
  }
  if (!moved) return std::nullopt;
  return at;
}

}  // namespace parlotto
