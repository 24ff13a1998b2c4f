// The forms the packed columns of a course take as the program writes them, against the ones a
// damaged row or another writer can leave: each impossible length is named with its column.

#include <gtest/gtest.h>
#include <functional>

#include "diagram/Spots.h"
#include "maintenance/PackedColumnsCheck.h"
#include "treatment/CourseColumns.h"

using maintenance::PackedCourseColumns;

namespace {

// A course as the program leaves it after twelve treatments, increments typed and three spots.
PackedCourseColumns recordedCourse() {
  std::array<TreatmentRecord, kTreatments> records{};
  for (int k = 0; k < 12; ++k) {
    records[static_cast<std::size_t>(k)] = {0, 3, 36.5f, 250.0f + k, "02:10", "AB", 43800.0 + k};
  }
  const treatment::TableColumns t = treatment::packTable(records);
  treatment::IncrementTexts cells;
  cells.fill(QStringLiteral("15"));
  PackedCourseColumns c;
  c.burn = t.burn;
  c.response = t.response;
  c.Temperature = t.Temperature;
  c.Dose = t.Dose;
  c.WhenDate = t.WhenDate;
  c.TxTime = t.TxTime;
  c.Initials = t.Initials;
  c.PInc = treatment::packIncrements(cells);
  c.Spots = diagram::packSpots({{100, 50}, {150, 200}, {40, 10}});
  c.SpotsLength = 3;
  return c;
}

QByteArray shortStrings(int count, const QByteArray& text) {
  QByteArray out;
  for (int i = 0; i < count; ++i) out += static_cast<char>(text.size()) + text;
  return out;
}

TEST(PackedColumnsCheck, NamesEachImpossibleLengthWithItsColumn) {
  struct Case {
    const char* what;
    std::function<void(PackedCourseColumns&)> damage;
    QStringList expected;
  };
  // clang-format off
  const Case cases[] = {
      {"a course as the program writes it", [](PackedCourseColumns&) {}, {}},
      {"a new course: nothing stored yet", [](PackedCourseColumns& c) { c = {}; }, {}},
      {"a full course of five-character times and twenty spots",
       [](PackedCourseColumns& c) {
         c.TxTime = shortStrings(29, "10:00");
         c.Initials = shortStrings(29, "ABC");
         std::vector<QPoint> spots(20, QPoint(5, 5));
         c.Spots = diagram::packSpots(spots);
         c.SpotsLength = 20;
       },
       {}},
      {"a dose column cut short", [](PackedCourseColumns& c) { c.Dose->truncate(57); },
       {"Dose holds 57 bytes, not the 116 of 29 doses"}},
      {"increments with two bytes too many", [](PackedCourseColumns& c) { c.PInc->append(2, '\0'); },
       {"PInc holds 60 bytes, not the 58 of 29 increments"}},
      {"a time longer than a time can be",
       [](PackedCourseColumns& c) { c.TxTime = shortStrings(1, "123456789") + shortStrings(28, "02:10"); },
       {"TxTime gives time 1 a length of 9 characters; at most 5 fit"}},
      {"times that stop after ten entries", [](PackedCourseColumns& c) { c.TxTime = shortStrings(10, "02:10"); },
       {"TxTime holds only 10 of the 29 times"}},
      {"a time cut inside its characters",
       [](PackedCourseColumns& c) { c.TxTime = shortStrings(28, "02:10") + "\x05" "02"; },
       {"TxTime ends inside time 29"}},
      {"initials with bytes after the 29th", [](PackedCourseColumns& c) { c.Initials->append("XY"); },
       {"Initials holds 2 bytes after its 29 initials"}},
      {"responses stored without the other treatment columns",
       [](PackedCourseColumns& c) {
         c.burn.reset();
         c.Temperature.reset();
         c.Dose.reset();
         c.WhenDate.reset();
         c.TxTime.reset();
         c.Initials.reset();
       },
       {"the treatment records are stored in part: values in Condition, none in Burn, Temperature, Dose, "
        "WhenDate, TxTime, Initials"}},
      {"doses stored without the responses",
       [](PackedCourseColumns& c) { c.response.reset(); },
       {"the treatment records are stored in part: values in Burn, Temperature, Dose, WhenDate, TxTime, Initials, "
        "none in Condition (without Condition no treatment is shown)"}},
      {"more spots than a course keeps", [](PackedCourseColumns& c) { c.SpotsLength = 25; },
       {"SpotsLength is 25, outside the 0..20 spots a course keeps"}},
      {"a negative spot count", [](PackedCourseColumns& c) { c.SpotsLength = -1; },
       {"SpotsLength is -1, outside the 0..20 spots a course keeps"}},
      {"a count the spot bytes do not match", [](PackedCourseColumns& c) { c.SpotsLength = 2; },
       {"Spots holds 24 bytes, not the 16 of the 2 spots SpotsLength gives"}},
      {"spot bytes without a count", [](PackedCourseColumns& c) { c.SpotsLength.reset(); },
       {"Spots holds 24 bytes, not the 0 of the 0 spots SpotsLength gives"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackedCourseColumns row = recordedCourse();
    c.damage(row);
    EXPECT_EQ(maintenance::packedColumnProblems(row), c.expected);
  }
}

}  // namespace
