// The schedule's rules without a window: which cells become current, how the dialog's answer is
// written into a record, when a course counts as finished, and what each cell of a row shows.
#include <gtest/gtest.h>

#include <QDateTime>
#include <limits>

#include "base/DateTime.h"
#include "treatment/QtPrinters.h"
#include "treatment/ScheduleRules.h"

using namespace treatment;

namespace {

double dayOf(int year, int month, int day) {
  return datetime::fromQDateTime(QDateTime(QDate(year, month, day), QTime(10, 30)));
}

TreatmentRecord recorded(std::int8_t condition, std::int8_t burn) {
  TreatmentRecord r;
  r.response = condition;
  r.burn = burn;
  r.Temperature = 36.5f;
  r.Dose = 250;
  r.time = " 5:30";
  r.Initials = "ABC";
  r.When = dayOf(2023, 3, 7);
  return r;
}

}  // namespace

TEST(ScheduleRules, OnlyTheIncrementColumnBecomesCurrentAndTheFirstTwoRecord) {
  const CellAction expected[] = {CellAction::Record,  CellAction::Record, CellAction::Nothing,
                                 CellAction::Nothing, CellAction::Select, CellAction::Nothing};
  for (int column = 0; column < 6; ++column) {
    SCOPED_TRACE(column);
    EXPECT_EQ(cellAction(column), expected[column]);
  }
}

TEST(ScheduleRules, CourseIsFinishedByStopTreatmentOrByTheLastTreatment) {
  struct Case {
    bool stop;
    int row;
    bool complete;
  };
  // clang-format off
  const Case cases[] = {
      {false, 29, true},  // the last treatment finishes the course whatever the box says
      {true, 29, true},
      {true, 5, true},
      {false, 5, false},  // and recording an earlier one without the box reopens it
      {false, 28, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "stop " << c.stop << ", row " << c.row);
    EXPECT_EQ(completeAfterUpdate(c.stop, c.row), c.complete);
  }
  EXPECT_FALSE(stopTreatmentFrom(std::nullopt));  // a course never marked either way
  EXPECT_FALSE(stopTreatmentFrom(false));
  EXPECT_TRUE(stopTreatmentFrom(true));
}

TEST(ScheduleRules, UpdateTakesTheEntryAndCutsInitialsAndTime) {
  TreatmentRecord r = recorded(Same, BurnI);
  TreatmentEntry e;
  e.condition = Clearing;
  e.burn = 0;
  e.temperature = 0;
  e.dose = 312.4f;
  e.when = dayOf(2024, 1, 2);
  e.initials = QStringLiteral("XY ");         // the field gives every position
  e.time = QStringLiteral("12:05 and more");  // anything past five characters is cut
  applyUpdate(r, e);
  EXPECT_EQ(r.response, Clearing);
  EXPECT_EQ(r.burn, 0);  // a burn taken back in the dialog is gone
  EXPECT_EQ(r.Temperature, 0.0f);
  EXPECT_EQ(r.Dose, 312.4f);
  EXPECT_EQ(r.When, e.when);
  EXPECT_EQ(r.Initials, "XY ");
  EXPECT_EQ(r.time, "12:05");

  e.initials = QStringLiteral("ABCD");
  applyUpdate(r, e);
  EXPECT_EQ(r.Initials, "ABC");
}

TEST(ScheduleRules, ClearEmptiesWhatTheScheduleShowsAndKeepsTheRest) {
  TreatmentRecord r = recorded(Worse, BurnIII);
  applyClear(r);
  EXPECT_FALSE(r.recorded());
  EXPECT_EQ(r.burn, 0);
  EXPECT_EQ(r.Dose, 0.0f);
  EXPECT_EQ(r.Initials, "");
  // Nobody reads these once the record is not recorded; they stay as they were.
  EXPECT_EQ(r.Temperature, 36.5f);
  EXPECT_EQ(r.time, " 5:30");
  EXPECT_EQ(r.When, dayOf(2023, 3, 7));
}

TEST(ScheduleRules, RecordedRowIsPaintedOnItsBurnAndResponseColours) {
  const QLocale english(QLocale::English, QLocale::UnitedKingdom);
  struct Case {
    std::int8_t condition, burn;
    QColor date, summary;
  };
  const Case cases[] = {
      {Same, BurnII, QColor(255, 155, 155), QColor(255, 251, 240)},
      {Clearing, 0, QColor(255, 255, 255), QColor(0, 255, 0)},  // no burn: the date on white
      {Missed, BurnIII, QColor(255, 47, 47), QColor(192, 192, 192)},
      {Worse, BurnI, QColor(255, 217, 213), QColor(0, 255, 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "response " << int(c.condition) << ", burn " << int(c.burn));
    const TreatmentRecord r = recorded(c.condition, c.burn);

    const CellLook date = cellLook(0, r, QStringLiteral("3"), english);
    EXPECT_TRUE(date.ownText);
    EXPECT_EQ(date.fill, c.date);
    EXPECT_EQ(date.text, "07 Mar");

    const CellLook summary = cellLook(1, r, QString(), english);
    EXPECT_TRUE(summary.ownText);
    EXPECT_EQ(summary.fill, c.summary);
    EXPECT_EQ(summary.text, "ABC   5:30  36.5C");

    const CellLook dose = cellLook(2, r, QStringLiteral("  250"), english);
    EXPECT_FALSE(dose.ownText);
    EXPECT_EQ(dose.textColour, std::nullopt);  // a delivered dose: the ordinary text colour
  }
}

TEST(ScheduleRules, RowNotRecordedShowsItsOwnTextsAndAPlannedDoseInSilver) {
  // Whatever an earlier course left in the other fields, a record with response 0 is not recorded.
  TreatmentRecord r = recorded(0, BurnIII);
  const CellLook date = cellLook(0, r, QStringLiteral("12"));
  EXPECT_TRUE(date.ownText);
  EXPECT_EQ(date.fill, std::nullopt);
  EXPECT_EQ(date.text, "12");
  const CellLook summary = cellLook(1, r, QString());
  EXPECT_EQ(summary.fill, std::nullopt);
  EXPECT_EQ(summary.text, "");
  EXPECT_EQ(cellLook(2, r, QStringLiteral("  180")).textColour, QColor(192, 192, 192));
  for (int column : {3, 4, 5}) {
    SCOPED_TRACE(column);
    const CellLook plain = cellLook(column, recorded(Same, BurnII), QStringLiteral("20"));
    EXPECT_FALSE(plain.ownText);
    EXPECT_EQ(plain.fill, std::nullopt);
    EXPECT_EQ(plain.textColour, std::nullopt);
  }
}

TEST(ScheduleRules, DatesTemperaturesAndSummariesFollowTheLocale) {
  struct Case {
    QLocale locale;
    double when;
    QString day;
    float temperature;
    QString celsius;
  };
  const Case cases[] = {
      {QLocale(QLocale::English, QLocale::UnitedKingdom), dayOf(2023, 3, 7), "07 Mar", 36.5f, "36.5C"},
      {QLocale(QLocale::English, QLocale::UnitedKingdom), dayOf(2023, 12, 24), "24 Dec", 0.0f, "0.0C"},
      {QLocale(QLocale::French, QLocale::France), dayOf(2023, 3, 7), "07 mars", 36.55f, "36,5C"},
      {QLocale(QLocale::German, QLocale::Germany), dayOf(2024, 12, 24), "24 Dez.", 41.0f, "41,0C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString());
    EXPECT_EQ(treatmentDay(c.when, c.locale), c.day);
    EXPECT_EQ(temperatureText(c.temperature, c.locale), c.celsius);
  }
  // A damaged stored date shows no date rather than a made-up one.
  EXPECT_EQ(treatmentDay(std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_EQ(treatmentDay(1e300), "");
}
