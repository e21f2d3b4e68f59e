#include "app/DocumentLogo.h"

#include <QPainter>
#include <QPen>

QImage DrawDocumentLogo() {
  constexpr int kWidth = 223;
  constexpr int kHeight = 132;
  QImage logo(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  logo.fill(QColor(102, 45, 145));  // purple field

  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(kWidth / 2.0, kHeight / 2.0);

  // The horizontal bar across the whole field, with the ring on it.
  painter.fillRect(QRectF(0, centre.y() - 6, kWidth, 12), Qt::white);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::white, 12));
  painter.drawEllipse(centre, 38, 38);
  return logo;
}
