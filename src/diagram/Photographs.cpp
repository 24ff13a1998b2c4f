#include "diagram/Photographs.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "base/JpegCodec.h"

namespace diagram {

bool isPhotographFile(const QString& path) {
  const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(QDir::separator()));
  const qsizetype dot = path.lastIndexOf(u'.');
  if (dot < 0 || dot < slash) return false;
  const QString extension = fmt::asciiUpper(path.mid(dot));
  return extension == QLatin1String(".JPG") || extension == QLatin1String(".JPEG");
}

QSize storedPhotographSize(QSize picture) {
  if (picture.width() <= 0 || picture.height() <= 0) return {};
  const double sx = double(kPhotographBox) / picture.width();
  const double sy = double(kPhotographBox) / picture.height();
  int width = kPhotographBox, height = kPhotographBox;
  if (sx >= sy)
    width = static_cast<int>(std::trunc(static_cast<long double>(picture.width()) * static_cast<long double>(sy)));
  else
    height = static_cast<int>(std::trunc(static_cast<long double>(picture.height()) * static_cast<long double>(sx)));
  return {std::max(width, 1), std::max(height, 1)};
}

int decodeReductionFor(QSize picture, QSize target) {
  for (int reduction : {8, 4, 2}) {
    // The codec rounds a reduced side up.
    const int w = (picture.width() + reduction - 1) / reduction;
    const int h = (picture.height() + reduction - 1) / reduction;
    if (w >= target.width() && h >= target.height()) return reduction;
  }
  return 1;
}

QImage scalePhotograph(const QByteArray& fileBytes) {
  const int orientation = jpeg::exifOrientation(fileBytes);
  const bool turned = orientation >= 5 && orientation <= 8;  // these swap width and height
  const QSize stored = jpeg::pictureSize(fileBytes);
  const QSize upright = turned ? stored.transposed() : stored;
  const QSize target = storedPhotographSize(upright);
  if (target.isEmpty()) throw jpeg::Error("The picture has no pixels.");

  const int reduction = decodeReductionFor(stored, turned ? target.transposed() : target);
  QImage picture = jpeg::applyOrientation(jpeg::decode(fileBytes, reduction), orientation);
  // Qt area-averages when it shrinks a 32-bit picture; a 24-bit one it would only interpolate
  // between neighbours, which drops detail as a nearest-pixel pick does.
  if (picture.size() != target)
    picture =
        picture.convertToFormat(QImage::Format_RGB32).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (picture.format() != QImage::Format_RGB888) picture = picture.convertToFormat(QImage::Format_RGB888);
  if (picture.isNull()) throw jpeg::Error("There is not enough memory to scale the picture.");
  return picture;
}

PhotographFile readPhotographFile(const QString& path) {
  const QByteArray bytes = jpeg::readFile(path);
  PhotographFile photograph{};
  try {
    photograph.picture = scalePhotograph(bytes);
  } catch (const jpeg::Error& e) {
    throw jpeg::fileError(path, e);
  }
  photograph.whenDate = datetime::fileModified(path);
  if (!std::isfinite(photograph.whenDate))
    throw std::runtime_error(QStringLiteral("The date of the picture \"%1\" cannot be read: the file is gone or "
                                            "cannot be looked at. Check the file and drop it again.")
                                 .arg(QDir::toNativeSeparators(path))
                                 .toStdString());
  return photograph;
}

}  // namespace diagram
