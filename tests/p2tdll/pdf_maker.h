// PDF files made for a test: text drawn at chosen places with Qt's PDF
// writer, in points from the page's top left corner (A4, 595 x 842).
#pragma once

#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <string>

namespace parlotto::testing {

class PdfMaker {
 public:
  explicit PdfMaker(const std::string& path) : writer_(QString::fromStdString(path)) {
    writer_.setResolution(72);
    writer_.setPageSize(QPageSize(QPageSize::A4));
    writer_.setPageMargins(QMarginsF(0, 0, 0, 0));
    painter_.begin(&writer_);
    SetSize(11);
  }
  ~PdfMaker() { Finish(); }
  PdfMaker(const PdfMaker&) = delete;
  PdfMaker& operator=(const PdfMaker&) = delete;

  void SetSize(double points) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    painter_.setFont(font);
    size_ = points;
  }

  // One line with its baseline at y.
  void Text(double x, double y, const QString& text) { painter_.drawText(QPointF(x, y), text); }

  // Lines one below the other at the usual distance; returns the baseline
  // of the line that would come next.
  double Lines(double x, double y, const QStringList& lines) {
    for (const QString& line : lines) {
      Text(x, y, line);
      y += size_ * 1.3;
    }
    return y;
  }

  // A grey picture and no text, like a scanned page.
  void Picture() {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::gray);
    painter_.drawImage(QRectF(100, 100, 400, 200), image);
  }

  void NewPage() { writer_.newPage(); }

  void Finish() {
    if (painter_.isActive()) painter_.end();
  }

 private:
  QPdfWriter writer_;
  QPainter painter_;
  double size_ = 11;
};

}  // namespace parlotto::testing
