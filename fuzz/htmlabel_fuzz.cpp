// Arbitrary markup for the label's renderer: drawing, hit testing, measuring
// and the text operations must finish, stay in bounds and never crash.
//
// Input: four bytes of options (flags, width, height, mouse), then the markup
// as UTF-8.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "htmlabel/html_paint.h"
#include "htmlabel/image_list.h"
#include "htmlabel/markup_text.h"
#include "htmlabel/picture_container.h"

namespace {

using parlotto::HTMLPaintOptions;
using parlotto::HTMLPaintResult;

struct Fixture {
  Fixture() : canvas(160, 90, QImage::Format_ARGB32_Premultiplied), images(QSize(8, 8)) {
    QImage still(12, 9, QImage::Format_RGB32);
    still.fill(Qt::green);
    pictures.Add("pic", parlotto::HTMLPicture(still));
    parlotto::HTMLPicture animation;
    animation.AddFrame(still, QPoint(0, 0));
    animation.AddFrame(still.scaled(5, 20), QPoint(3, 1));
    animation.SetCurrentFrame(1);
    pictures.Add("anim", animation);
    images.Add(still);
    font = QFont("DejaVu Sans");
    font.setPointSize(8);
  }

  QImage canvas;
  parlotto::TPictureContainer pictures;
  parlotto::ImageList images;
  QFont font;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Lives to the end of the process; Qt does not like being torn down from
  // static destructors.
  new QGuiApplication(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture* fixture = new Fixture;
  // Qt trims its font caches on timers; without an event loop they only grow.
  static int runs = 0;
  if (++runs % 1024 == 0) QCoreApplication::processEvents();
  if (size < 4) return 0;
  const std::uint8_t flags = data[0];
  const QRect rect(2, 1, 1 + data[1] % 200, 1 + data[2] % 120);
  const QPoint mouse(data[3] % 16 * 10, data[3] / 16 * 6);
  const QString markup =
      QString::fromUtf8(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));

  HTMLPaintOptions options;
  options.font = fixture->font;
  options.background = Qt::white;
  options.pictures = &fixture->pictures;
  options.images = &fixture->images;
  options.ellipsis = flags & 0x01;
  options.hover_style = flags & 0x02;
  options.hover_anchor = (flags >> 2) & 0x03;
  options.focus_anchor = (flags >> 4) & 0x01 ? 1 : -1;
  options.print = flags & 0x20;
  options.selected = flags & 0x40;
  options.blink = flags & 0x80;
  options.hover_image = 1;
  options.shadow_offset = 2;

  HTMLPaintResult result;
  fixture->canvas.fill(Qt::white);
  {
    QPainter painter(&fixture->canvas);
    options.mouse = mouse;
    parlotto::HTMLPaint(&painter, markup, rect, options, &result);
  }
  options.check_hotspot = true;
  parlotto::HTMLPaint(nullptr, markup, rect, options, &result);
  if (result.mouse_anchor >= 0 && result.anchor_rect.isNull()) __builtin_trap();
  options.check_height = true;
  options.mouse.reset();
  parlotto::HTMLPaint(nullptr, markup, rect, options, &result);

  parlotto::PlainText(markup);
  QString marked = parlotto::InsertAroundText(markup, markup.left(2), flags & 1, u"<e>", u"</e>");
  parlotto::RemoveTagPair(marked, u"<E>", u"</E>");
  return 0;
}
