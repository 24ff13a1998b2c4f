#pragma once
// The lesion spots of a course: points in the outline picture's own pixels, in the order they were
// marked (the last is the newest). A click adds one, a Ctrl+click takes back the newest; a course
// keeps at most 20. In the course row they are stored back to back, 8 bytes each: X then Y, each a
// signed 32-bit little-endian number.

#include <QByteArray>
#include <QPoint>
#include <vector>

#include "diagram/BodyDiagram.h"

namespace diagram {

inline constexpr int kMaxSpots = 20;
inline constexpr int kSpotBytes = 8;

// The picture pixel under a point clicked on the diagram as shown: each coordinate divided by its
// scale and rounded half to even, so a click lands on the same place of the body at any size.
QPoint spotAt(QPoint clicked, Scale scale);

// A click on the diagram: with Ctrl down the newest spot is taken back (nothing happens to an empty
// list); otherwise a spot is added under the clicked point. The limit is applied on storing
// (keepFirstSpots), so a click past the limit adds a spot that is cut away again at once.
void clickSpots(std::vector<QPoint>& spots, QPoint clicked, bool ctrlDown, Scale scale);

// Cuts the list to its first kMaxSpots spots, as stored.
void keepFirstSpots(std::vector<QPoint>& spots);

// The stored form of the list: 8 bytes per spot.
QByteArray packSpots(const std::vector<QPoint>& spots);

// The list back from the stored count and bytes. The list has `count` spots; the stored bytes fill
// them from the first, and spots the bytes do not reach stay at (0, 0). A negative count gives no
// spots. A count beyond what any stored value can hold (a damaged row) is limited to kMaxStoredSpots,
// so that such a row cannot ask for gigabytes.
inline constexpr int kMaxStoredSpots = 65535 / kSpotBytes;  // a var-bytes value has a 16-bit length
std::vector<QPoint> unpackSpots(const QByteArray& bytes, qint64 count);

}  // namespace diagram
