#include "widgets/KeyGlyph.h"

#include <QPainter>
#include <QPolygon>

QImage KeyGlyph(TKeyGlyph kind) {
  QImage image(25, 25, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  if (kind == TKeyGlyph::BackSpace) {
    p.drawPolygon(QPolygon({QPoint(2, 12), QPoint(10, 5), QPoint(10, 19)}));
    p.drawRect(10, 10, 13, 5);
  } else if (kind == TKeyGlyph::Left) {
    p.drawPolygon(QPolygon({QPoint(7, 12), QPoint(17, 4), QPoint(17, 20)}));
  } else {
    p.drawPolygon(QPolygon({QPoint(18, 12), QPoint(8, 4), QPoint(8, 20)}));
  }
  return image;
}
