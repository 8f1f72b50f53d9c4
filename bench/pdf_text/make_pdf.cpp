// Writes the bench's PDF: PAGES pages of German text in two columns, with
// a running header and a page number on each page, as Qt's PDF writer
// draws it. Usage: p2t_bench_pdf OUT.pdf [PAGES]
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <cstdlib>
#include <iostream>

namespace {

const QStringList kLines = {
    "Der Zug nach Hamburg fährt heute",  "mit zehn Minuten Verspätung ab.",
    "Bitte beachten Sie die geänderte",  "Wagenreihung am Bahnsteig drei.",
    "Im Bordrestaurant erhalten Sie",    "warme Speisen und kalte Getränke.",
    "Wir wünschen Ihnen eine angeneh-",  "me Reise und danken für Ihr Ver-",
    "ständnis. Die nächste Haltestelle", "ist Hannover Hauptbahnhof.",
};

void DrawColumn(QPainter& painter, double x, int page, int column) {
  double y = 90;
  for (int i = 0; y < 790; ++i, y += 14) {
    painter.drawText(QPointF(x, y), kLines[(page * 7 + column * 3 + i) % kLines.size()]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: p2t_bench_pdf OUT.pdf [PAGES]\n";
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int pages = argc > 2 ? std::atoi(argv[2]) : 300;
  QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
  writer.setResolution(72);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter(&writer);
  QFont font(QStringLiteral("DejaVu Sans"));
  for (int page = 0; page < pages; ++page) {
    if (page > 0) writer.newPage();
    font.setPointSizeF(9);
    painter.setFont(font);
    painter.drawText(QPointF(50, 40), QStringLiteral("Fahrgastinformation der Bahn"));
    painter.drawText(QPointF(290, 815), QString::number(page + 1));
    font.setPointSizeF(10.5);
    painter.setFont(font);
    DrawColumn(painter, 50, page, 0);
    DrawColumn(painter, 315, page, 1);
  }
  return painter.end() ? 0 : 1;
}
