// The pictures, cursor, icon and help pages built into the program: each is there and usable.
#include "resources/Resources.h"

#include <gtest/gtest.h>
#include <QBitmap>
#include <QImage>
#include <QRegularExpression>
#include <QSet>

#include "base/JpegCodec.h"

namespace {

TEST(Resources, PersonIsABaselineJfifOutlineOfTheDiagramSize) {
  const QByteArray bytes = resources::personJpeg();
  ASSERT_FALSE(bytes.isEmpty());
  // SOI, then the JFIF segment: version 1.01, dots per inch, 96 x 96.
  ASSERT_GE(bytes.size(), 20);
  EXPECT_EQ(bytes.left(4), QByteArray("\xFF\xD8\xFF\xE0", 4));
  EXPECT_EQ(bytes.mid(6, 5), QByteArray("JFIF\0", 5));
  EXPECT_EQ(bytes.mid(11, 2), QByteArray("\x01\x01", 2));
  EXPECT_EQ(bytes.mid(13, 5), QByteArray("\x01\x00\x60\x00\x60", 5));
  EXPECT_TRUE(bytes.contains(QByteArray("\xFF\xC0", 2))) << "no baseline frame";
  EXPECT_FALSE(bytes.contains(QByteArray("\xFF\xC2", 2))) << "progressive";

  const QImage person = jpeg::decode(bytes);
  ASSERT_EQ(person.size(), QSize(216, 263));
  // Black lines on white: the corners are white; both halves hold a figure, and nothing is drawn
  // across the middle column that separates the front view from the back view.
  auto dark = [&](int x, int y) { return qGray(person.pixel(x, y)) < 128; };
  for (QPoint corner : {QPoint(0, 0), QPoint(215, 0), QPoint(0, 262), QPoint(215, 262)})
    EXPECT_FALSE(dark(corner.x(), corner.y()));
  int left = 0, right = 0, middle = 0;
  for (int y = 0; y < 263; ++y)
    for (int x = 0; x < 216; ++x) {
      if (!dark(x, y)) continue;
      if (x >= 105 && x <= 110)
        ++middle;
      else if (x < 108)
        ++left;
      else
        ++right;
    }
  EXPECT_GT(left, 500);
  EXPECT_GT(right, 500);
  EXPECT_EQ(middle, 0);
}

TEST(Resources, TargetCursorIsCentredOnItsHotSpot) {
  const QCursor cursor = resources::targetCursor();
  EXPECT_EQ(cursor.hotSpot(), QPoint(15, 15));
  const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(image.pixel(15, 15), qRgba(0, 0, 0, 255)) << "the hot spot is not marked";
  // A two-colour look: every pixel opaque black, opaque white or clear.
  const QSet<QRgb> allowed = {qRgba(0, 0, 0, 255), qRgba(255, 255, 255, 255)};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const QRgb p = image.pixel(x, y);
      EXPECT_TRUE(qAlpha(p) == 0 || allowed.contains(p)) << x << "," << y;
    }
}

TEST(Resources, IconComesInEverySizeTheProgramUses) {
  const QIcon icon = resources::programIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  for (int side : {32, 64, 256}) EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
  EXPECT_EQ(icon.pixmap(32, 32).size(), QSize(32, 32));
}

TEST(Resources, ButtonPicturesByCaption) {
  for (const char* caption : {"Update", "Undo", "Clear", "Print", "List", "Select", "Load Data", "&Print"}) {
    SCOPED_TRACE(caption);
    const QPixmap picture = resources::buttonPicture(caption);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(24, 24));
  }
  for (const char* other : {"", "Delete", "../icon", ":/icon.png", "help/index"}) {
    SCOPED_TRACE(other);
    EXPECT_TRUE(resources::buttonPicture(other).isNull());
  }
}

TEST(Resources, EveryHelpTopicExistsAndItsLinksLeadSomewhere) {
  const QStringList topics = resources::helpTopics();
  ASSERT_EQ(topics.size(), 6);
  const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
  for (const QString& topic : topics) {
    SCOPED_TRACE(topic.toStdString());
    const QString html = resources::helpPage(topic);
    ASSERT_FALSE(html.isEmpty());
    EXPECT_TRUE(html.contains("<title>")) << "no title";
    EXPECT_TRUE(html.trimmed().endsWith("</html>")) << "cut short";
    for (auto it = link.globalMatch(html); it.hasNext();) {
      const QString target = it.next().captured(1);
      EXPECT_FALSE(resources::helpPage("::" + target).isEmpty()) << "broken link " << target.toStdString();
    }
  }
  const QString contents = resources::helpPage("::index.htm");
  for (const QString& topic : topics.mid(1))
    EXPECT_TRUE(contents.contains("href=\"" + topic.mid(2) + "\"")) << "contents miss " << topic.toStdString();
}

TEST(Resources, HelpTopicsAsTheProgramNamesThem) {
  EXPECT_EQ(resources::helpPage("Halcyra.chm::Chart.htm"), resources::helpPage("::Chart.htm"));
  EXPECT_EQ(resources::helpPage("Chart.htm"), resources::helpPage("::Chart.htm"));
  for (const char* unknown : {"::Nothing.htm", "::", "", "::../person.jpg", "::../help/Chart.htm", "::Chart.htm/"}) {
    SCOPED_TRACE(unknown);
    EXPECT_TRUE(resources::helpPage(unknown).isEmpty());
  }
}

}  // namespace
