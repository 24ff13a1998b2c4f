#pragma once
// JPEG pictures in and out of memory, straight over libjpeg.
//
// Every failure of the codec (a file that is not a JPEG, a truncated or corrupt one, a picture too
// large to hold) comes back as jpeg::Error carrying the codec's own text; nothing here ever ends
// the process. Decoding refuses pictures whose pixel data is incomplete or damaged rather than
// showing them with grey or smeared areas, because a clinical photograph with missing parts must
// not pass for a whole one. Damage that leaves every pixel intact (a missing end marker after the
// last row, stray bytes between segments, a bad colour-profile marker) is accepted.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <stdexcept>

namespace jpeg {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes a complete JPEG file held in memory to 24-bit colour (QImage::Format_RGB888), whatever
// its colour space (grey, YCbCr, RGB, CMYK or Adobe's inverted CMYK/YCCK) and whether baseline or
// progressive. scaleDenom 2, 4 or 8 lets the codec shrink the picture while decoding (sizes round
// up). A resolution in the JFIF header becomes the picture's dots per metre.
// Raises Error for empty input, anything the codec cannot read, incomplete pixel data, a scale other
// than 1, 2, 4, 8, pictures of more than maxPixels pixels at the chosen scale, and pictures the
// decoder cannot read within maxDecoderMemory.
QImage decode(const QByteArray& bytes, int scaleDenom = 1);

// decode() of a file's contents. Errors name the file and the reason (cannot be opened, empty,
// not a readable JPEG).
QImage decodeFile(const QString& path, int scaleDenom = 1);

// The pieces of decodeFile, for callers that look at a file's bytes before decoding them: the
// bytes (errors name the file: cannot be opened or read, empty, not a regular file, larger than
// files::kLargestPhotograph), and a codec error about them turned into one that names the file.
QByteArray readFile(const QString& path);
Error fileError(const QString& path, const Error& reason);

// The picture's width and height as its header gives them, without decoding any pixels. Raises
// Error for empty input or a header the codec cannot read.
QSize pictureSize(const QByteArray& bytes);

// Encodes a picture as a baseline (not progressive) colour JPEG file: three components in YCbCr,
// quality 0..100 through jpeg_set_quality with baseline-compatible tables. With dotsPerInch > 0 the
// JFIF header carries that resolution in dots per inch (at most 65535); otherwise a plain 1:1 aspect.
// Raises Error for a null picture or one the format cannot hold (over 65500 pixels a side).
QByteArray encode(const QImage& image, int quality, int dotsPerInch = 0);

// The EXIF Orientation tag (1..8) of a JPEG file, from its APP1 "Exif" segment; 1 when there is no
// such segment, the tag is absent, or anything about it cannot be read. Reads only inside `bytes`.
int exifOrientation(const QByteArray& bytes);

// Stands a picture upright according to an EXIF orientation: 2 mirror, 3 turn half round,
// 4 flip, 5 transpose, 6 turn a quarter clockwise, 7 transverse, 8 turn a quarter anticlockwise.
// 1 and unknown values leave the picture as it is.
QImage applyOrientation(const QImage& image, int orientation);

// The largest picture decode() will hold, in pixels at the requested scale (768 MB at 3 bytes a
// pixel). A corrupt or hostile header can claim 65500 x 65500 pixels; this keeps such a file from
// exhausting memory before the codec even notices the data is missing.
inline constexpr qint64 maxPixels = qint64(256) * 1024 * 1024;

// The most memory the decoder itself may set aside (768 MB). A picture of several scans
// (progressive) is held whole in the decoder while it is read, at its full size whatever the
// reduction asked for: without this bound a few hundred bytes claiming 65500 x 65500 pixels, decoded
// at 1/8, would have the decoder reserve gigabytes. Such a picture is refused as too large.
inline constexpr qint64 maxDecoderMemory = 3 * maxPixels;

}  // namespace jpeg
