// JPEG files, on any bytes, along both roads a photograph takes: a dropped file is stood upright
// from its EXIF orientation and scaled into the 500 x 500 box; a stored one is decoded at full
// scale to be shown and printed. Each either gives a whole picture or raises the codec's error.

#include <QImage>

#include "FuzzSupport.h"
#include "base/JpegCodec.h"
#include "diagram/Photographs.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ensureApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);
  const int orientation = jpeg::exifOrientation(bytes);
  fuzz::expect(orientation >= 1 && orientation <= 8, "an EXIF orientation is 1..8");

  try {
    const QImage stored = diagram::scalePhotograph(bytes);
    const int w = stored.width(), h = stored.height();
    fuzz::expect(stored.format() == QImage::Format_RGB888, "a photograph is stored in 24-bit colour");
    fuzz::expect(w >= 1 && h >= 1 && w <= diagram::kPhotographBox && h <= diagram::kPhotographBox &&
                     (w == diagram::kPhotographBox || h == diagram::kPhotographBox),
                 "a stored photograph fills the 500 x 500 box on its longer side");
  } catch (const jpeg::Error&) {
  }

  try {
    const QImage shown = jpeg::decode(bytes);
    const QSize header = jpeg::pictureSize(bytes);
    fuzz::expect(shown.size() == header, "a decoded picture has the size its header gives");
  } catch (const jpeg::Error&) {
  }
  return 0;
}
