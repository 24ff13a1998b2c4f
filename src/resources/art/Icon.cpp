// The program icon: a violet sun sending its rays down on to a band of skin, on a deep blue tile
// so that it reads the same on light and dark backgrounds.
#include "Art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace art {

QImage drawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);  // drawn on a 64 x 64 grid

  QPainterPath tile;
  tile.addRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  QLinearGradient sky(0, 2, 0, 62);
  sky.setColorAt(0, QColor(0x2a, 0x1f, 0x7a));
  sky.setColorAt(1, QColor(0x55, 0x3c, 0xc4));
  p.fillPath(tile, sky);
  p.setClipPath(tile);

  // Rays: twelve round-ended strokes around the sun, the lower ones longer, reaching the skin.
  const QPointF sun(32, 23);
  for (int i = 0; i < 12; ++i) {
    const double a = i * M_PI / 6;
    const double down = std::sin(a);  // 1 straight down
    const double inner = 13, outer = down > 0.3 ? 13 + 10 * down + 4 : 19;
    const QPointF dir(std::cos(a), std::sin(a));
    p.setPen(QPen(QColor(0xd7, 0xc8, 0xff), down > 0.3 ? 2.6 : 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(sun + dir * inner, sun + dir * outer);
  }
  QRadialGradient glow(sun, 10);
  glow.setColorAt(0, QColor(0xff, 0xff, 0xff));
  glow.setColorAt(0.6, QColor(0xe6, 0xdc, 0xff));
  glow.setColorAt(1, QColor(0xa8, 0x8c, 0xff));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(sun, 9.5, 9.5);

  // Skin: an upper layer over a deeper one, with a gently waving surface.
  QPainterPath skin;
  skin.moveTo(0, 47);
  skin.cubicTo(14, 43, 22, 50, 34, 46.5);
  skin.cubicTo(44, 43.5, 54, 47.5, 64, 45);
  skin.lineTo(64, 64);
  skin.lineTo(0, 64);
  skin.closeSubpath();
  p.fillPath(skin, QColor(0xf3, 0xc9, 0xa6));
  QPainterPath deeper;
  deeper.moveTo(0, 55);
  deeper.cubicTo(16, 52.5, 26, 57, 38, 54.5);
  deeper.cubicTo(48, 52.5, 56, 55.5, 64, 54);
  deeper.lineTo(64, 64);
  deeper.lineTo(0, 64);
  deeper.closeSubpath();
  p.fillPath(deeper, QColor(0xd9, 0x9b, 0x7c));

  p.setClipping(false);
  p.setPen(QPen(QColor(0x1c, 0x14, 0x55), 1.2));
  p.setBrush(Qt::NoBrush);
  p.drawPath(tile);
  return image;
}

}  // namespace art
