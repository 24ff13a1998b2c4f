#include "Outline.h"

#include <algorithm>

namespace art {

namespace {

// One smooth run between two corners (or the ends): Catmull-Rom through every knot, the end
// tangents taken from the neighbouring knot only, so the run meets a corner without a wobble.
void appendRun(QPainterPath& path, const std::vector<Knot>& k, std::size_t from, std::size_t to) {
  auto at = [&](std::size_t i) { return QPointF(k[i].x, k[i].y); };
  for (std::size_t i = from; i < to; ++i) {
    const QPointF p0 = i == from ? at(i) : at(i - 1);
    const QPointF p1 = at(i), p2 = at(i + 1);
    const QPointF p3 = i + 1 == to ? at(i + 1) : at(i + 2);
    path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
  }
}

}  // namespace

void appendCurve(QPainterPath& path, const std::vector<Knot>& knots, bool moveFirst) {
  if (knots.empty()) return;
  const QPointF first(knots.front().x, knots.front().y);
  if (moveFirst)
    path.moveTo(first);
  else
    path.lineTo(first);
  std::size_t start = 0;
  for (std::size_t i = 1; i < knots.size(); ++i) {
    if (knots[i].corner || i + 1 == knots.size()) {
      appendRun(path, knots, start, i);
      start = i;
    }
  }
}

std::vector<Knot> mirrored(const std::vector<Knot>& side) {
  std::vector<Knot> out;
  out.reserve(side.size());
  for (auto it = side.rbegin(); it != side.rend(); ++it) out.push_back({-it->x, it->y, it->corner});
  return out;
}

std::vector<Knot> shifted(std::vector<Knot> knots, double dx, double dy) {
  for (Knot& k : knots) k.x += dx, k.y += dy;
  return knots;
}

}  // namespace art
