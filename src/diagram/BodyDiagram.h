#pragma once
// The body diagram: the outline of a standing figure (front view left, back view right) with the
// lesion spots of the open course marked on it. Spots are kept in the outline picture's own
// pixels, whatever size the diagram is shown at.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <vector>

namespace diagram {

// The scale between the picture's pixels and the shown size (1.0 at the design size).
struct Scale {
  double x = 1.0;
  double y = 1.0;
};
Scale scaleFor(QSize shown, QSize picture);

// The outline stretched over a 24-bit picture of the shown size, with one mark per spot: two red
// circles (diameters 18 and 30) and a cross 40 pixels wide, centred on the spot's shown position
// (each coordinate times its scale, rounded half to even). Marks past the edges are clipped.
QImage render(const QImage& outline, QSize shown, const std::vector<QPoint>& spots, Scale scale);

}  // namespace diagram
