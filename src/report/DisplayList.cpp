#include "report/DisplayList.h"

#include <QTransform>
#include <cmath>

namespace report {

QImage pageImage(const QImage& image) {
  const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB888;
  return image.format() == format ? image : image.convertToFormat(format);
}

int Drawing::addClip(const QPainterPath& path) {
  clips.push_back(path);
  return static_cast<int>(clips.size()) - 1;
}

namespace {

// The transform's scale along its axes (the mapping turns and scales, and does not shear).
double scaleOf(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

Stroke mapped(Stroke s, double scale) {
  s.width *= scale;
  for (double& d : s.dashes) d *= scale;
  return s;
}

struct Mapper {
  const QTransform& t;
  double scale;

  Primitive operator()(TextRun r) const {
    r.origin = t.map(r.origin);
    r.font.size *= scale;
    r.width *= scale;
    // The transform's own turn, anticlockwise as seen on the page (whose y axis points down).
    r.rotation += -std::atan2(t.m12(), t.m11()) * 180.0 / M_PI;
    r.rotation = std::fmod(std::fmod(r.rotation, 360.0) + 360.0, 360.0);
    if (std::abs(r.rotation - std::round(r.rotation)) < 1e-9) r.rotation = std::round(r.rotation);
    return r;
  }
  Primitive operator()(FilledRect f) const {
    if (t.isRotating()) {
      QPainterPath p;
      p.addRect(f.rect);
      return Shape{t.map(p), false, {}, f.colour};
    }
    f.rect = t.mapRect(f.rect);
    return f;
  }
  Primitive operator()(Line l) const {
    l.from = t.map(l.from);
    l.to = t.map(l.to);
    l.stroke = mapped(l.stroke, scale);
    return l;
  }
  Primitive operator()(Shape s) const {
    s.path = t.map(s.path);
    s.stroke = mapped(s.stroke, scale);
    return s;
  }
  Primitive operator()(Image i) const {
    i.rect = t.mapRect(i.rect);
    return i;
  }
};

}  // namespace

void Drawing::append(const Drawing& other, const QTransform& transform, const QRectF& clip) {
  QPainterPath outer;
  if (!clip.isEmpty()) outer.addRect(clip);
  const int outerIndex = clip.isEmpty() ? -1 : addClip(outer);
  std::vector<int> clipIndex;
  clipIndex.reserve(other.clips.size());
  for (const QPainterPath& c : other.clips) {
    const QPainterPath inner = transform.map(c);
    clipIndex.push_back(addClip(clip.isEmpty() ? inner : inner.intersected(outer)));
  }
  const Mapper mapper{transform, scaleOf(transform)};
  for (const Item& item : other.items) {
    const int index = item.clip >= 0 ? clipIndex[static_cast<std::size_t>(item.clip)] : outerIndex;
    add(std::visit(mapper, item.what), index);
  }
}

}  // namespace report
