#pragma once
// Smooth outlines drawn through chosen points, for the program's line drawings.

#include <QPainterPath>
#include <QPointF>
#include <vector>

namespace art {

// A point the line passes through. At a corner the line turns sharply (an armpit, the crotch);
// elsewhere it bends smoothly through the point.
struct Knot {
  double x, y;
  bool corner = false;
};

// Appends a curve through `knots` to `path`, starting with a line or move to the first knot
// according to `moveFirst`. Between corners the curve is a Catmull-Rom spline (drawn as cubic
// Béziers), so it passes through every knot without overshooting much.
void appendCurve(QPainterPath& path, const std::vector<Knot>& knots, bool moveFirst = true);

// The knots of one side of a figure mirrored about the vertical line x = 0 and reversed, so that
// `side` followed by mirrored(side) walks round the whole figure.
std::vector<Knot> mirrored(const std::vector<Knot>& side);

// Knots moved by (dx, dy).
std::vector<Knot> shifted(std::vector<Knot> knots, double dx, double dy);

}  // namespace art
