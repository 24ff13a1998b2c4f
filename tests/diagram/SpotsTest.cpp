// Spots: where a click lands in the outline's pixels, taking back the newest, the limit of 20, and
// the stored form (8 bytes per spot, X then Y, signed 32-bit little-endian).

#include <gtest/gtest.h>

#include "diagram/Spots.h"

using diagram::Scale;

namespace {

std::vector<QPoint> clicks(int n) {
  std::vector<QPoint> spots;
  for (int i = 0; i < n; ++i) diagram::clickSpots(spots, QPoint(i, 2 * i), false, {});
  return spots;
}

TEST(SpotsTest, AClickLandsOnThePicturePixelRoundedHalfToEven) {
  struct Case {
    Scale scale;
    QPoint clicked, spot;
  };
  const Case cases[] = {
      {{1.0, 1.0}, {100, 50}, {100, 50}},
      {{1.0, 1.0}, {0, 0}, {0, 0}},
      // At twice the size the same point of the body: 201 / 2 = 100.5 and 101 / 2 = 50.5 go to the
      // even neighbour, 100 and 50; 203 / 2 = 101.5 goes up to 102.
      {{2.0, 2.0}, {201, 101}, {100, 50}},
      {{2.0, 2.0}, {203, 105}, {102, 52}},
      {{2.0, 2.0}, {200, 100}, {100, 50}},
      // Unequal scales act on their own axes.
      {{2.0, 1.0}, {201, 101}, {100, 101}},
      {{0.5, 0.5}, {50, 25}, {100, 50}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << c.scale.x << "x" << c.scale.y << " click " << c.clicked.x() << ","
                                    << c.clicked.y());
    EXPECT_EQ(diagram::spotAt(c.clicked, c.scale), c.spot);
  }
}

TEST(SpotsTest, CtrlClickTakesBackTheNewestSpotAndNothingFromAnEmptyList) {
  std::vector<QPoint> spots;
  diagram::clickSpots(spots, QPoint(5, 5), true, {});
  EXPECT_TRUE(spots.empty());

  spots = clicks(3);
  diagram::clickSpots(spots, QPoint(99, 99), true, {});  // where it is clicked does not matter
  EXPECT_EQ(spots, (std::vector<QPoint>{{0, 0}, {1, 2}}));
}

TEST(SpotsTest, TheListIsKeptToItsFirstTwentySpots) {
  std::vector<QPoint> spots = clicks(20);
  const std::vector<QPoint> twenty = spots;
  diagram::clickSpots(spots, QPoint(300, 300), false, {});
  EXPECT_EQ(spots.size(), 21u) << "the click itself adds; storing cuts";
  diagram::keepFirstSpots(spots);
  EXPECT_EQ(spots, twenty);
}

TEST(SpotsTest, PackedEightBytesEachLittleEndianAndBack) {
  const std::vector<QPoint> spots = {{100, 50}, {-1, 258}, {INT32_MAX, INT32_MIN}};
  const QByteArray bytes = diagram::packSpots(spots);
  const QByteArray expected = QByteArray::fromHex(
      "6400000032000000"
      "ffffffff02010000"
      "ffffff7f00000080");
  EXPECT_EQ(bytes.toHex(), expected.toHex());
  EXPECT_EQ(diagram::unpackSpots(bytes, 3), spots);
  EXPECT_TRUE(diagram::packSpots({}).isEmpty());
}

TEST(SpotsTest, UnpackingFillsTheCountedListFromTheBytesItHas) {
  const QByteArray two = diagram::packSpots({{7, 8}, {9, 10}});
  struct Case {
    const char* what;
    QByteArray bytes;
    qint64 count;
    std::vector<QPoint> spots;
  };
  const Case cases[] = {
      {"count as stored", two, 2, {{7, 8}, {9, 10}}},
      {"more counted than stored: the rest at (0, 0)", two, 4, {{7, 8}, {9, 10}, {0, 0}, {0, 0}}},
      {"fewer counted than stored: only the first", two, 1, {{7, 8}}},
      {"a value cut inside a spot fills what it reaches", two.left(12), 2, {{7, 8}, {9, 0}}},
      {"no bytes", QByteArray(), 2, {{0, 0}, {0, 0}}},
      {"count 0", two, 0, {}},
      {"a negative count (a damaged row) gives no spots", two, -3, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(diagram::unpackSpots(c.bytes, c.count), c.spots);
  }
}

TEST(SpotsTest, ADamagedCountCannotAskForGigabytes) {
  const auto spots = diagram::unpackSpots(diagram::packSpots({{1, 2}}), qint64(INT32_MAX));
  ASSERT_EQ(spots.size(), static_cast<std::size_t>(diagram::kMaxStoredSpots));
  EXPECT_EQ(spots.front(), QPoint(1, 2));
  EXPECT_EQ(spots.back(), QPoint(0, 0));
}

}  // namespace
