// The target cursor of the body outline: a ring with a cross through it. Drawn pixel by pixel,
// without smoothing, so that it looks the same as a two-colour cursor on every platform; the white
// rim keeps it visible on the white outline and on dark screens alike.
#include "Art.h"

#include <cmath>

namespace art {

QImage drawTarget() {
  constexpr int size = 32, centre = 15, ring = 8, arm = 13, gap = 3;
  auto black = [&](int x, int y) {
    const int dx = x - centre, dy = y - centre;
    const double d = std::hypot(dx, dy);
    if (std::abs(d - ring) <= 0.5) return true;
    if (dx == 0 && dy == 0) return true;  // the hot spot itself
    const int along = std::abs(dx == 0 ? dy : dx);
    return (dx == 0 || dy == 0) && along >= gap && along <= arm;
  };
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      if (black(x, y)) {
        image.setPixel(x, y, qRgba(0, 0, 0, 255));
        continue;
      }
      bool besideBlack = false;
      for (int v = -1; v <= 1 && !besideBlack; ++v)
        for (int u = -1; u <= 1 && !besideBlack; ++u) besideBlack = black(x + u, y + v);
      if (besideBlack) image.setPixel(x, y, qRgba(255, 255, 255, 255));
    }
  return image;
}

}  // namespace art
