// What is on an X display, for the shell tests that must look at the screen
// as a user does: under a nested compositor the X server's own windows say
// nothing of what the compositor shows.
//   screen_grab OUT.png                     the whole screen of $DISPLAY
//   screen_grab --differs A.png B.png X Y W H
//                                           the share (0-100) of the
//                                           rectangle's pixels that differ
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

namespace {

int Differs(const QImage& a, const QImage& b, const QRect& area) {
  const QRect inside = area & a.rect() & b.rect();
  if (inside.isEmpty()) return 0;
  long differing = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) ++differing;
    }
  }
  return static_cast<int>(differing * 100 / (static_cast<long>(inside.width()) * inside.height()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 8 && QByteArray(argv[1]) == "--differs") {
    const QImage a(QString::fromLocal8Bit(argv[2]));
    const QImage b(QString::fromLocal8Bit(argv[3]));
    if (a.isNull() || b.isNull()) return 2;
    const QRect area(atoi(argv[4]), atoi(argv[5]), atoi(argv[6]), atoi(argv[7]));
    std::printf("%d\n", Differs(a, b, area));
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: screen_grab OUT.png | --differs A.png B.png X Y W H\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  QGuiApplication app(argc, argv);
  return QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[1])) ? 0
                                                                                               : 1;
}
