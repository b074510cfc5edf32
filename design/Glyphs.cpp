#include "design/Glyphs.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <functional>

namespace qgen {

namespace {

// Draws on a silver ground of the given size and makes the ground transparent.
QPixmap Draw(int width, int height, const std::function<void(QPainter&)>& paint) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor::fromRgb(kGlyphTransparent));
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paint(painter);
  }
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(pixmap.createMaskFromColor(QColor::fromRgb(kGlyphTransparent), Qt::MaskInColor));
  return pixmap;
}

// A filled shape with a one-pixel black outline; the vertices are pixel
// positions, so the outline covers exactly those pixels.
void Outlined(QPainter& painter, const QPolygon& shape) {
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(QColor(0x80, 0x80, 0x80));
  painter.drawPolygon(shape);
}

}  // namespace

QPixmap PlusGlyph() {
  return Draw(10, 10, [](QPainter& painter) {
    Outlined(painter, QPolygon({QPoint(3, 0), QPoint(6, 0), QPoint(6, 3), QPoint(9, 3),
                                QPoint(9, 6), QPoint(6, 6), QPoint(6, 9), QPoint(3, 9),
                                QPoint(3, 6), QPoint(0, 6), QPoint(0, 3), QPoint(3, 3)}));
  });
}

QPixmap MinusGlyph() {
  return Draw(10, 10, [](QPainter& painter) {
    Outlined(painter, QPolygon({QPoint(0, 3), QPoint(9, 3), QPoint(9, 6), QPoint(0, 6)}));
  });
}

QPixmap CrossGlyph() {
  return Draw(20, 20, [](QPainter& painter) {
    painter.setPen(QPen(Qt::black, 0));
    // Each stroke two pixels wide: a line and its neighbour to the right.
    for (int shift = 0; shift < 2; ++shift) {
      painter.drawLine(3 + shift, 3, 16, 16 - shift);
      painter.drawLine(16 - shift, 3, 3, 16 - shift);
    }
  });
}

}  // namespace qgen
