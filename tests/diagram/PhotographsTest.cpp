// Photograph files: which names are taken, the stored size in the 500 x 500 box, the picture stood
// upright and resampled smoothly, the file's date, and files that cannot be read.

#include <gtest/gtest.h>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstdlib>
#include <ctime>

#include "PhotoFixtures.h"
#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "diagram/Photographs.h"

using namespace photo_fixtures;

namespace {

TEST(PhotographsTest, OnlyJpgAndJpegExtensionsInAnyLetterCaseAreTaken) {
  struct Case {
    const char* path;
    bool taken;
  };
  // clang-format off
  const Case cases[] = {
      {"/home/ward/photo.jpg", true},
      {"/home/ward/PHOTO.JPEG", true},
      {"/home/ward/Scan.JpG", true},
      {"/home/ward/two.dots.jpeg", true},
      {"/home/ward/photo.jpe", false},
      {"/home/ward/photo.png", false},
      {"/home/ward/photo", false},
      {"/home/ward/photo.jpg.txt", false},
      {"/home/ward/album.jpg/photo", false},  // a dot in a folder's name is not the file's extension
      {"/home/ward/photo.jpg ", false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(diagram::isPhotographFile(QString::fromUtf8(c.path)), c.taken);
  }
}

TEST(PhotographsTest, StoredSizeFitsTheBoxWithTheLongerSideAt500) {
  struct Case {
    QSize picture, stored;
  };
  // clang-format off
  const Case cases[] = {
      {{4000, 3000}, {500, 375}}, {{3000, 4000}, {375, 500}}, {{640, 480}, {500, 375}},
      {{1920, 1080}, {500, 281}}, {{300, 300}, {500, 500}},   {{100, 50}, {500, 250}},
      {{1001, 333}, {500, 166}},
      // 500 / 768 as a double lies just below the true quotient: the extended product falls just
      // short of 500 and is truncated.
      {{768, 768}, {499, 500}},
      // A strip too thin for the box keeps one pixel rather than none.
      {{5000, 4}, {500, 1}}, {{4, 5000}, {1, 500}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.picture.width() << " x " << c.picture.height());
    EXPECT_EQ(diagram::storedPhotographSize(c.picture), c.stored);
  }
}

TEST(PhotographsTest, TheCodecReducesOnlyAsFarAsTheStoredSizeAllows) {
  struct Case {
    QSize picture, target;
    int reduction;
  };
  // clang-format off
  const Case cases[] = {
      {{4000, 3000}, {500, 375}, 8}, {{4032, 3024}, {500, 375}, 8}, {{3999, 2999}, {500, 375}, 8}, {{3991, 2993}, {500, 375}, 4},
      {{1920, 1080}, {500, 281}, 2}, {{640, 480}, {500, 375}, 1},   {{100, 50}, {500, 250}, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.picture.width() << " x " << c.picture.height());
    EXPECT_EQ(diagram::decodeReductionFor(c.picture, c.target), c.reduction);
  }
}

TEST(PhotographsTest, APhonePhotographIsStoodUprightBeforeScaling) {
  // Stored 800 x 600 with the red corner top-left; the EXIF note says how to turn it.
  const QByteArray file = jpeg::encode(cornerMarked(800, 600), 95);
  struct Case {
    int orientation;
    QSize stored;
    QPoint red;  // where the red corner is in the upright picture
  };
  const Case cases[] = {
      {1, {500, 375}, {30, 30}},
      {6, {375, 500}, {375 - 30, 30}},        // a quarter turn clockwise: portrait, corner top-right
      {8, {375, 500}, {30, 500 - 30}},        // anticlockwise: corner bottom-left
      {3, {500, 375}, {500 - 30, 375 - 30}},  // half round: corner bottom-right
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.orientation);
    const QImage picture = diagram::scalePhotograph(withOrientation(file, c.orientation));
    ASSERT_EQ(picture.size(), c.stored);
    EXPECT_EQ(picture.format(), QImage::Format_RGB888);
    const QColor red = picture.pixelColor(c.red);
    EXPECT_GT(red.red(), 200);
    EXPECT_LT(red.blue(), 60);
    const QColor middle = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    EXPECT_GT(middle.blue(), 200);
    EXPECT_LT(middle.red(), 60);
  }
}

TEST(PhotographsTest, PicturesAreResampledSmoothlyNotByDroppingPixels) {
  // Black and white stripes one pixel wide: dropping pixels keeps only black or only white
  // columns; averaging gives grey.
  for (const int width : {800, 1000, 1500, 2400}) {
    SCOPED_TRACE(width);
    QImage stripes(width, width / 2, QImage::Format_RGB888);
    for (int x = 0; x < stripes.width(); ++x)
      for (int y = 0; y < stripes.height(); ++y) stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
    const QImage picture = diagram::scalePhotograph(jpeg::encode(stripes, 95));
    ASSERT_EQ(picture.width(), 500);
    for (int x = 10; x < 490; x += 7) {
      const int grey = picture.pixelColor(x, picture.height() / 2).green();
      EXPECT_GT(grey, 30) << "column " << x;
      EXPECT_LT(grey, 225) << "column " << x;
    }
  }
}

TEST(PhotographsTest, AFileIsDatedWithItsLastWriteTimeInLocalTime) {
  QTemporaryDir dir;
  const QString path = writeJpeg(QDir(dir.path()), "photo.jpg", cornerMarked(64, 48));
  ASSERT_FALSE(path.isEmpty());
  const QDateTime written(QDate(2024, 3, 5), QTime(23, 30), QTimeZone::utc());
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
  }

  // On a machine whose local time is UTC+13 (New Zealand summer time) the photograph is dated the
  // next morning.
  const QByteArray savedTz = qgetenv("TZ");
  const bool hadTz = qEnvironmentVariableIsSet("TZ");
  qputenv("TZ", "Pacific/Auckland");
  tzset();
  const diagram::PhotographFile photograph = diagram::readPhotographFile(path);
  const QDateTime local = datetime::toQDateTime(photograph.whenDate);
  if (hadTz)
    qputenv("TZ", savedTz);
  else
    qunsetenv("TZ");
  tzset();

  EXPECT_EQ(local.date(), QDate(2024, 3, 6));
  EXPECT_EQ(local.time(), QTime(12, 30));
  EXPECT_EQ(photograph.picture.size(), QSize(500, 375));
}

TEST(PhotographsTest, AFileThatCannotBeReadIsNamedWithTheReason) {
  QTemporaryDir dir;
  const QDir d(dir.path());
  const QByteArray good = jpeg::encode(cornerMarked(640, 480), 90);
  struct Case {
    const char* name;
    QByteArray bytes;  // nothing written when null
    const char* reason;
  };
  const Case cases[] = {
      {"letter.jpg", QByteArray("Dear colleague, the photographs follow."), "Not a JPEG file"},
      {"cut.jpg", good.left(good.size() / 2), nullptr},
      {"empty.jpg", QByteArray(""), "empty file"},
      {"missing.jpg", QByteArray(), "Cannot open"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = c.bytes.isNull() ? d.filePath(c.name) : writeFile(d, c.name, c.bytes);
    QString reason = c.reason ? QString::fromUtf8(c.reason) : QString();
    if (reason.isEmpty()) {  // the codec's own words for the damage
      try {
        jpeg::decode(c.bytes);
      } catch (const jpeg::Error& e) {
        reason = QString::fromUtf8(e.what());
      }
    }
    ASSERT_FALSE(reason.isEmpty());
    try {
      diagram::readPhotographFile(path);
      ADD_FAILURE() << "read";
    } catch (const std::exception& e) {
      const QString message = QString::fromUtf8(e.what());
      EXPECT_TRUE(message.contains(QDir::toNativeSeparators(path))) << e.what();
      EXPECT_TRUE(message.contains(reason)) << e.what();
    }
  }
}

}  // namespace
