#pragma once
// Photographs of a course: which dropped files are taken, and how a photograph file becomes the
// stored picture. The window's drop and `halcyra-tool add-photo` both go through here.
//
// A stored photograph fits the 500 x 500 box: its longer side is 500 pixels and the other follows
// from the aspect ratio (small pictures are enlarged). A phone photograph taken in portrait is
// stored in landscape order with an EXIF note saying how to turn it; it is stood upright first, so
// that it is stored, shown and printed the right way up.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace diagram {

inline constexpr int kPhotographBox = 500;

// Whether a dropped file is taken as a photograph: the extension of its name (from the last dot,
// included), upper-cased in ASCII letters only, is ".JPG" or ".JPEG". Only the file name counts,
// not the folders above it.
bool isPhotographFile(const QString& path);

// The stored size of a picture of `picture` pixels (its upright size): with sx = 500 / W and
// sy = 500 / H as doubles, a portrait or square picture (sx >= sy) becomes Trunc(W * sy) x 500 and
// a landscape one 500 x Trunc(H * sx), the products formed in extended precision. 768 x 768 thus
// becomes 499 x 500 (500 / 768 as a double lies just below the true quotient). A side never comes
// out below 1 pixel: a picture a few pixels high and thousands wide is kept as a thin strip rather
// than refused.
QSize storedPhotographSize(QSize picture);

// The largest reduction (1, 2, 4 or 8) at which the codec can decode a picture of `picture`
// pixels and still give at least `target` pixels in each direction.
int decodeReductionFor(QSize picture, QSize target);

// The stored picture from a JPEG file's bytes: read upright (EXIF orientation), sized by
// storedPhotographSize, resampled smoothly (the codec reduces by a power of two while decoding
// where that still leaves enough pixels; the rest is area-averaged), in 24-bit colour. Raises
// jpeg::Error with the codec's words.
QImage scalePhotograph(const QByteArray& fileBytes);

struct PhotographFile {
  QImage picture;   // the picture to store
  double whenDate;  // the file's last-write time in local time, days since 1899-12-30
};

// A photograph file read for storing. Raises std::runtime_error (jpeg::Error for the file and the
// codec) whose text names the file and the reason.
PhotographFile readPhotographFile(const QString& path);

}  // namespace diagram
