// Photographs: stored as baseline colour JPEG, decoded at full scale to 24-bit colour, and damaged
// bytes reported with the codec's words instead of ending the program.

#include <gtest/gtest.h>
#include <QPainter>
#include <QSignalSpy>

#include "RecordsFixtures.h"
#include "base/JpegCodec.h"
#include "records/DataError.h"

using namespace testing_records;

namespace {

// A 640 x 480 picture: red on the left half, blue on the right.
QImage twoColours() {
  QImage picture(640, 480, QImage::Format_RGB32);
  QPainter painter(&picture);
  painter.fillRect(0, 0, 320, 480, Qt::red);
  painter.fillRect(320, 0, 320, 480, Qt::blue);
  return picture;
}

// The start-of-frame marker of a JPEG file and the number of colour components it declares.
struct Frame {
  int marker = 0;
  int components = 0;
};
Frame frameOf(const QByteArray& jpeg) {
  for (qsizetype i = 2; i + 9 < jpeg.size();) {
    if (static_cast<unsigned char>(jpeg[i]) != 0xFF) return {};
    const int marker = static_cast<unsigned char>(jpeg[i + 1]);
    const int length = (static_cast<unsigned char>(jpeg[i + 2]) << 8) | static_cast<unsigned char>(jpeg[i + 3]);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      return {marker, static_cast<unsigned char>(jpeg[i + 9])};
    }
    i += 2 + length;
  }
  return {};
}

class PhotographTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    raw.addPatient("P1", "Photo", 2, 1);
    raw.addCourse("P1", 1);
    data = connect();
  }
  std::unique_ptr<records::Store> data;
};

TEST_F(PhotographTest, StoredAsBaselineColourJpegAndDecodedAtFullScale) {
  data->showsPhotographs = [] { return true; };
  QSignalSpy shown(data.get(), &records::Store::photographToShow);
  data->addPhotograph(twoColours(), 45000.5);

  RawStore raw(file());
  const auto rows = raw.rows(QStringLiteral("SELECT Hosp, CourseID, WhenDate, JpegImage FROM Imagedb"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].toString(), QStringLiteral("P1"));
  EXPECT_EQ(rows[0][1].toInt(), 1);
  EXPECT_EQ(rows[0][2].toDouble(), 45000.5);
  const QByteArray stored = rows[0][3].toByteArray();
  ASSERT_TRUE(stored.startsWith("\xFF\xD8"));
  EXPECT_EQ(frameOf(stored).marker, 0xC0) << "baseline, not progressive";
  EXPECT_EQ(frameOf(stored).components, 3) << "colour";

  // The new photograph is current; the window is told what to draw.
  EXPECT_EQ(data->photos.recordCount(), 1);
  data->photographMoved();
  ASSERT_GE(shown.count(), 1);
  const QImage drawn = shown.last().at(0).value<QImage>();
  EXPECT_EQ(drawn.size(), QSize(640, 480));
  EXPECT_EQ(shown.last().at(1).toDouble(), 45000.5);

  const QImage picture = data->currentPhotograph();
  EXPECT_EQ(picture.size(), QSize(640, 480));
  EXPECT_EQ(picture.depth(), 24);
  const QColor left = picture.pixelColor(100, 240), right = picture.pixelColor(540, 240);
  EXPECT_GT(left.red(), 200);
  EXPECT_LT(left.blue(), 60);
  EXPECT_GT(right.blue(), 200);
  EXPECT_LT(right.red(), 60);
}

TEST_F(PhotographTest, ARowWithoutBytesGivesAnEmptyPicture) {
  RawStore raw(file());
  raw.exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, JpegImage) VALUES ('P1', 1, NULL)"));
  raw.exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, JpegImage) VALUES ('P1', 1, ?)"), {QByteArray("", 0)});
  EXPECT_TRUE(data->currentPhotograph().isNull()) << "no photograph current";
  data->reread(data->photos);
  for (data->photos.first(); !data->photos.eof(); data->photos.next()) {
    const QImage picture = data->currentPhotograph();
    EXPECT_TRUE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(0, 0));
  }
}

TEST_F(PhotographTest, DamagedBytesAreReportedWithTheCodecsWords) {
  const QByteArray good = jpeg::encode(twoColours(), 90);
  struct Case {
    const char* what;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"cut off half-way", good.left(good.size() / 2)},
      {"not a JPEG at all", QByteArray("this is a text file, not a photograph")},
      {"only the start marker", good.left(2)},
  };
  RawStore raw(file());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    raw.exec(QStringLiteral("DELETE FROM Imagedb"));
    raw.exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, JpegImage) VALUES ('P1', 1, ?)"), {c.bytes});
    data->photos.close();
    data->photos.open();
    QString codecText;
    try {
      jpeg::decode(c.bytes);
    } catch (const jpeg::Error& e) {
      codecText = QString::fromStdString(e.what());
    }
    ASSERT_FALSE(codecText.isEmpty());
    try {
      (void)data->currentPhotograph();
      ADD_FAILURE() << "damaged bytes decoded";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(codecText)) << e.message().toStdString();
      EXPECT_TRUE(e.message().contains(QLatin1String("P1"))) << e.message().toStdString();
    }
    // After a move the window hears of the failure; nothing is thrown through the cursor.
    data->showsPhotographs = [] { return true; };
    QSignalSpy failed(data.get(), &records::Store::photographFailed);
    QSignalSpy shown(data.get(), &records::Store::photographToShow);
    EXPECT_NO_THROW(data->photos.first());
    EXPECT_EQ(failed.count(), 1);
    EXPECT_EQ(shown.count(), 0);
    data->showsPhotographs = {};
  }
}

TEST_F(PhotographTest, ShownOnlyWhileItsOwnerSaysSo) {
  data->addPhotograph(twoColours(), 45000.0);
  data->addPhotograph(twoColours(), 45001.0);
  QSignalSpy shown(data.get(), &records::Store::photographToShow);
  for (bool shows : {false, true}) {
    SCOPED_TRACE(shows);
    shown.clear();
    data->showsPhotographs = [shows] { return shows; };
    data->photos.first();
    data->photos.next();
    EXPECT_EQ(shown.count(), shows ? 2 : 0);
    if (shows) {
      EXPECT_EQ(shown.last().at(1).toDouble(), 45001.0);
    }
  }
}

TEST_F(PhotographTest, APictureTheCodecRefusesLeavesNoRow) {
  EXPECT_THROW(data->addPhotograph(QImage(), 45000.0), records::DataError);
  EXPECT_EQ(data->photos.state(), records::DataSet::State::Browse);
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM Imagedb")).toInt(), 0);
}

}  // namespace
