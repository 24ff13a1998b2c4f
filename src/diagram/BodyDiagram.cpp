#include "diagram/BodyDiagram.h"

#include <QPainter>
#include <cmath>

namespace diagram {

Scale scaleFor(QSize shown, QSize picture) {
  if (picture.width() <= 0 || picture.height() <= 0) return {};
  return {static_cast<double>(shown.width()) / picture.width(), static_cast<double>(shown.height()) / picture.height()};
}

QImage render(const QImage& outline, QSize shown, const std::vector<QPoint>& spots, Scale scale) {
  QImage image(shown, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter painter(&image);
  if (!outline.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), shown), outline);
  }
  painter.setPen(QPen(QColor(255, 0, 0), 1));
  painter.setBrush(Qt::NoBrush);
  for (const QPoint& spot : spots) {
    const int cx = static_cast<int>(std::nearbyint(spot.x() * scale.x));
    const int cy = static_cast<int>(std::nearbyint(spot.y() * scale.y));
    painter.drawEllipse(QRect(cx - 9, cy - 9, 18, 18));
    painter.drawEllipse(QRect(cx - 15, cy - 15, 30, 30));
    painter.drawLine(cx - 20, cy, cx + 20, cy);
    painter.drawLine(cx, cy - 20, cx, cy + 20);
  }
  return image;
}

}  // namespace diagram
