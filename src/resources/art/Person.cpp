// The body outline: a standing figure seen from the front (left half) and from the back (right
// half), black lines on white, for marking lesions with a click.
#include "Art.h"
#include "Outline.h"

#include <QPainter>

namespace art {

namespace {

// The figure's right-hand side as seen by the viewer, from the crown down to the crotch, in pixels
// from the figure's centre line. The figure stands 250 pixels tall, arms a little away from the
// body, feet slightly apart.
const std::vector<Knot>& side() {
  // clang-format off
  static const std::vector<Knot> knots = {
      {0, 6},
      // head and ear
      {7.5, 7.5}, {11.5, 13}, {12.5, 20, true}, {14.2, 20.5}, {14.6, 25}, {12.6, 29.5, true},
      {11, 34}, {7, 38.5}, {5.2, 40.5, true},
      // neck into the shoulder
      {5.4, 46}, {9, 50}, {17.5, 52}, {24.6, 55.4}, {27.8, 62},
      // outer arm to the wrist
      {29.6, 76}, {31.8, 96}, {35.2, 115}, {37.8, 132},
      // hand: thumb on the outside, fingers below
      {39.8, 137}, {42.8, 144.5}, {42.4, 147.5}, {40.5, 146.2, true}, {40.8, 152}, {38.9, 158.5},
      {35.6, 159}, {33.5, 152.5}, {32.8, 145}, {32.4, 134},
      // inner arm up to the armpit
      {29.2, 115}, {25.6, 97}, {22.4, 81}, {19.4, 70.5, true},
      // flank, waist, hip
      {17.6, 84}, {15, 103}, {16.4, 118}, {19.6, 131}, {20.2, 146},
      // outer leg
      {18.8, 172}, {16.8, 192}, {17.4, 208}, {15, 228}, {12.6, 242},
      // foot
      {14.4, 249}, {13.6, 254.5}, {9.5, 256}, {6, 255}, {4.6, 250.5}, {4.8, 242, true},
      // inner leg up to the crotch
      {4.2, 226}, {3.2, 209}, {3.6, 192}, {2.8, 172}, {1.4, 150}, {0, 143, true},
  };
  // clang-format on
  return knots;
}

QPainterPath silhouette(double cx) {
  const std::vector<Knot> right = side();
  const std::vector<Knot> left = mirrored(right);
  // Start at the crotch (a corner) so that the crown, in the middle of the loop, stays smooth.
  std::vector<Knot> loop = left;
  loop.insert(loop.end(), right.begin() + 1, right.end());
  QPainterPath path;
  appendCurve(path, shifted(loop, cx, 0));
  path.closeSubpath();
  return path;
}

// A short open line through knots given relative to the centre line, and its mirror image.
void pair(QPainterPath& path, double cx, const std::vector<Knot>& knots) {
  appendCurve(path, shifted(knots, cx, 0));
  std::vector<Knot> other = knots;
  for (Knot& k : other) k.x = -k.x;
  appendCurve(path, shifted(other, cx, 0));
}

void line(QPainterPath& path, double cx, const std::vector<Knot>& knots) { appendCurve(path, shifted(knots, cx, 0)); }

QPainterPath frontDetails(double cx) {
  QPainterPath p;
  p.addEllipse(QPointF(cx - 4.6, 21), 1.1, 0.8);  // eyes
  p.addEllipse(QPointF(cx + 4.6, 21), 1.1, 0.8);
  line(p, cx, {{0.2, 23.5}, {0.7, 27.2}, {-0.6, 27.9}});  // nose
  line(p, cx, {{-2.6, 31.8}, {0, 32.2}, {2.6, 31.8}});    // mouth
  pair(p, cx, {{3.2, 55.5}, {9, 54.6}, {15.5, 56.5}});    // collar bones
  pair(p, cx, {{5, 74}, {9.5, 75.6}, {13, 74.4}});        // chest
  p.addEllipse(QPointF(cx, 106), 1.3, 1.3);               // navel
  pair(p, cx, {{16.5, 124}, {9, 134}, {2.5, 141}});       // groin
  pair(p, cx, {{7.6, 192}, {10.2, 189.6}, {12.8, 192}});  // knee caps
  return p;
}

QPainterPath backDetails(double cx) {
  QPainterPath p;
  line(p, cx, {{0, 48.5}, {0, 80}, {0, 114}});                                 // spine
  pair(p, cx, {{6, 62}, {10, 73}, {14.5, 78}});                                // shoulder blades
  line(p, cx, {{0, 124.5}, {0, 138}});                                         // cleft of the buttocks
  pair(p, cx, {{2.2, 142}, {10, 145.5}, {18.5, 142}});                         // buttock folds
  pair(p, cx, {{6.5, 194}, {10, 195.5}, {13.5, 194}});                         // backs of the knees
  line(p, cx, {{-8.6, 33.2}, {-4, 34.8}, {0, 35.1}, {4, 34.8}, {8.6, 33.2}});  // hairline at the nape
  return p;
}

}  // namespace

QImage drawPerson() {
  QImage image(personSize, QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPen outline(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  const QPen detail(QColor(40, 40, 40), 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  // Each figure's centre line runs through the middle of a pixel column, so that the figure is
  // drawn the same on both sides and the spine is one crisp pixel wide.
  const double front = personSize.width() * 0.25 + 0.5, back = personSize.width() * 0.75 + 0.5;
  painter.setBrush(Qt::NoBrush);
  painter.setPen(outline);
  painter.drawPath(silhouette(front));
  painter.drawPath(silhouette(back));
  painter.setPen(detail);
  painter.drawPath(frontDetails(front));
  painter.drawPath(backDetails(back));
  return image;
}

}  // namespace art
