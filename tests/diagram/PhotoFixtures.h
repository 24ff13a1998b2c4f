#pragma once
// Photograph files for the tests: JPEG files made on the spot, with an EXIF orientation when asked,
// and the damaged kinds a user may drop (not a JPEG, cut short, empty).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

#include "base/JpegCodec.h"

namespace photo_fixtures {

// A picture with a red square in its top-left corner on blue: where the square ends up tells
// which way the picture was turned.
inline QImage cornerMarked(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB888);
  picture.fill(QColor(0, 0, 255));
  QPainter painter(&picture);
  painter.fillRect(0, 0, width / 4, height / 4, QColor(255, 0, 0));
  return picture;
}

// An APP1 "Exif" segment holding only the Orientation tag, inserted after the start marker, as a
// phone writes it.
inline QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
  QByteArray tiff = QByteArray::fromHex(
      "49492a0008000000"                    // little-endian TIFF, first IFD at 8
      "0100"                                // one entry
      "12010300010000000000000000000000");  // 0x0112 SHORT x1
  tiff[18] = static_cast<char>(orientation);
  tiff.resize(8 + 2 + 12 + 4, '\0');  // next IFD: none
  const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
  const int length = static_cast<int>(body.size()) + 2;
  QByteArray segment("\xFF\xE1", 2);
  segment += static_cast<char>(length >> 8);
  segment += static_cast<char>(length & 0xFF);
  segment += body;
  return jpeg.left(2) + segment + jpeg.mid(2);
}

inline QString writeFile(const QDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
  return path;
}

inline QString writeJpeg(const QDir& dir, const QString& name, const QImage& picture) {
  return writeFile(dir, name, jpeg::encode(picture, 95));
}

}  // namespace photo_fixtures
