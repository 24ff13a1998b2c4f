#include "course/DemoPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cmath>

namespace course::demo {

namespace {

// Backgrounds from pale to dark; plain colours, no texture of real skin.
constexpr std::array<QRgb, 6> kTones = {0xF1D9C8, 0xE4BFA0, 0xCF9E78, 0xA8744E, 0x7A4E32, 0x4A2E1E};

}  // namespace

QImage paintPhotograph(int width, int height, int tone, int patches, double clearing, unsigned seed) {
  QImage picture(width, height, QImage::Format_RGB32);
  QRandomGenerator random(seed);
  const QColor base(kTones[static_cast<std::size_t>(std::clamp(tone, 0, 5))]);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient light(0, 0, width, height);
  light.setColorAt(0, base.lighter(112));
  light.setColorAt(1, base.darker(110));
  p.fillRect(picture.rect(), light);

  // Patches: rounded blobs, redder and larger early in a course, paler as it clears.
  const double fade = std::clamp(clearing, 0.0, 1.0);
  for (int i = 0; i < patches; ++i) {
    const double r = (0.08 + 0.10 * random.generateDouble()) * std::min(width, height) * (1.0 - 0.5 * fade);
    const QPointF centre(width * (0.15 + 0.7 * random.generateDouble()),
                         height * (0.15 + 0.7 * random.generateDouble()));
    QPainterPath blob;
    constexpr int kPoints = 14;
    for (int k = 0; k <= kPoints; ++k) {
      const double angle = 2 * 3.14159265358979 * k / kPoints;
      const double reach = r * (0.75 + 0.35 * random.generateDouble());
      const QPointF at(centre.x() + reach * std::cos(angle), centre.y() + reach * std::sin(angle) * 0.7);
      if (k == 0)
        blob.moveTo(at);
      else
        blob.lineTo(at);
    }
    QColor red(200, 60, 60);
    red.setAlphaF(0.75 * (1.0 - 0.8 * fade));
    p.fillPath(blob, red);
    // A scale of small pale flecks over the patch.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 235, static_cast<int>(140 * (1.0 - fade))));
    for (int f = 0; f < 12; ++f) {
      const QPointF at(centre.x() + r * (random.generateDouble() - 0.5),
                       centre.y() + 0.7 * r * (random.generateDouble() - 0.5));
      p.drawEllipse(at, 2.0 + 3 * random.generateDouble(), 1.5 + 2 * random.generateDouble());
    }
  }

  // A scale bar, as clinical photographs carry: black and white blocks along the foot.
  const int block = std::max(4, width / 30);
  for (int k = 0; k < 6; ++k)
    p.fillRect(QRect(block + k * block, height - 2 * block, block, block / 2), k % 2 ? Qt::white : Qt::black);

  // The demonstration corner: yellow and black stripes, top right.
  p.save();
  QPolygonF corner;
  corner << QPointF(width - 5 * block, 0) << QPointF(width, 0) << QPointF(width, 5 * block);
  QPainterPath triangle;
  triangle.addPolygon(corner);
  p.setClipPath(triangle);
  p.fillPath(triangle, QColor(250, 210, 0));
  p.setPen(QPen(Qt::black, block / 2.0));
  for (int k = -5; k < 10; k += 2)
    p.drawLine(QPointF(width - 5 * block + k * block, 0), QPointF(width + k * block, 5 * block));
  p.restore();
  return picture;
}

}  // namespace course::demo
