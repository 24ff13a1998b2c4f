// The schedule on the main window with a course open: which cells become current, recording,
// clearing and undoing a treatment through the entry dialog, what the course row then holds,
// the painted colours, and the increments stored as they are typed.
#include <gtest/gtest.h>

#include "ScheduleFixture.h"
#include "records/RecordsFixtures.h"

using namespace schedule_test;

namespace {

class ScheduleGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.show();
    w.openNewCourse();
  }
  ScheduleWindow w;
};

float expected(const ScheduleWindow& w, int row) { return static_cast<float>(w.expected(row)); }

}  // namespace

TEST_F(ScheduleGridTest, OnlyTheIncrementColumnBecomesCurrentWhenClicked) {
  struct Case {
    int column, row;
    bool opensDialog;
    std::pair<int, int> currentAfter;
  };
  // clang-format off
  const Case cases[] = {
      {2, 5, false, {4, 1}}, {3, 5, false, {4, 1}}, {5, 5, false, {4, 1}},
      {4, 5, false, {4, 5}},
      {0, 7, true, {4, 5}},  // the dialog opens for row 7 and the current cell stays
      {1, 8, true, {4, 5}},
      {4, 9, false, {4, 9}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "click on column " << c.column << ", row " << c.row);
    const int shownBefore = w.script.shown;
    w.clickCell(c.column, c.row);
    ASSERT_EQ(w.script.shown - shownBefore, c.opensDialog ? 1 : 0);
    if (c.opensDialog) {
      EXPECT_EQ(w.script.expectedOnShow.back(), expected(w, c.row));
    }
    EXPECT_EQ(w.current(), c.currentAfter);
  }
  // The other buttons pick nothing.
  for (int column : {0, 4}) {
    QTest::mouseClick(w.grid()->viewport(), Qt::RightButton, {}, w.cellRect(column, 2).center());
  }
  EXPECT_EQ(w.script.shown, 2);
  EXPECT_EQ(w.current(), std::make_pair(4, 9));
}

TEST_F(ScheduleGridTest, OnlyTheIncrementColumnBecomesCurrentFromTheKeyboard) {
  w.clickCell(4, 3);
  ASSERT_TRUE(w.grid()->hasFocus());
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    int dialogRow;
    std::pair<int, int> currentAfter;
  };
  // clang-format off
  const Case cases[] = {
      {Qt::Key_Left, Qt::NoModifier, 0, {4, 3}},   // column 3 cannot become current
      {Qt::Key_Right, Qt::NoModifier, 0, {4, 3}},  // nor column 5
      {Qt::Key_Down, Qt::NoModifier, 0, {4, 4}},
      {Qt::Key_Home, Qt::NoModifier, 4, {4, 4}},   // column 0 of this row: treatment 4 is recorded
      {Qt::Key_End, Qt::NoModifier, 0, {4, 4}},
      {Qt::Key_Home, Qt::ControlModifier, 1, {4, 4}},  // the first cell of all: treatment 1
      {Qt::Key_Up, Qt::NoModifier, 0, {4, 3}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << ", modifiers " << c.modifiers.toInt());
    const int shownBefore = w.script.shown;
    QTest::keyClick(w.grid(), static_cast<Qt::Key>(c.key), c.modifiers);
    w.reactivate();
    ASSERT_EQ(w.script.shown - shownBefore, c.dialogRow ? 1 : 0);
    if (c.dialogRow) {
      EXPECT_EQ(w.script.expectedOnShow.back(), expected(w, c.dialogRow));
    }
    EXPECT_EQ(w.current(), c.currentAfter);
  }
}

TEST(ScheduleComplete, StopTreatmentAndTheLastRowDecideWhetherTheCourseIsFinished) {
  // A new course reads as not finished: the store keeps no "unknown" for it.
  struct Case {
    const char* what;
    bool before;
    int row;
    Step step;
    std::optional<bool> after;
    int status;  // the patient's course status bits afterwards
  };
  const Case cases[] = {
      {"the last treatment finishes the course", false, 29, update({}), true, 4},
      {"an earlier treatment reopens a finished course", true, 5, update({}), false, 2},
      {"Stop Treatment finishes it early", false, 5, update({.stop = true}), true, 4},
      {"Clear leaves it finished", true, 5, clear(), true, 4},
      {"Clear leaves it going", false, 29, clear(), false, 2},
      {"Undo leaves it finished", true, 29, undo(), true, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScheduleWindow w;
    w.show();
    w.openNewCourse();
    w.setStoredComplete(c.before);

    w.script.then(c.step);
    w.clickCell(0, c.row);
    ASSERT_EQ(w.script.shown, 1);
    EXPECT_EQ(w.script.stopTickedOnShow.back(), c.before);  // the box shows the course as it is
    EXPECT_EQ(w.storedComplete(), c.after);
    EXPECT_EQ(w.patientStatus(), c.status);
    EXPECT_TRUE(w.boxes.empty()) << w.boxes.front().text.toStdString();
  }
}

TEST_F(ScheduleGridTest, UpdateWritesTheRecordTheDoseCellAndTheCourseAtOnce) {
  w.script.then(update({.condition = Worse,
                        .burn = BurnI,
                        .dose = "182",
                        .temperature = "37.2",
                        .time = "12:05",
                        .initials = "JS",
                        .date = QDate(2024, 2, 29)}));
  w.clickCell(1, 2);
  ASSERT_EQ(w.script.shown, 1);

  const TreatmentRecord& r = w.record(2);
  EXPECT_EQ(r.response, Worse);
  EXPECT_EQ(r.burn, BurnI);
  EXPECT_EQ(r.Dose, 182.0f);
  EXPECT_EQ(r.Temperature, 37.2f);
  EXPECT_EQ(r.time, "12:05");
  EXPECT_EQ(r.Initials, "JS ");  // the initials field gives all three positions
  EXPECT_EQ(datetime::toQDateTime(r.When).date(), QDate(2024, 2, 29));
  EXPECT_EQ(w.grid()->cell(2, 2), "  182");  // the delivered dose until the plan is next computed

  const auto inFile = w.recordsInFile();
  EXPECT_TRUE(sameRecord(inFile[1], r));
  for (int row = 1; row <= kTreatments; ++row) {
    if (row != 2) {
      EXPECT_FALSE(inFile[static_cast<std::size_t>(row - 1)].recorded()) << "row " << row;
    }
  }
  EXPECT_EQ(w.data().courses.state(), records::DataSet::State::Browse);
}

TEST_F(ScheduleGridTest, UndoWritesTheSevenColumnsBackUnchanged) {
  // On a course where nothing was ever recorded the columns are still empty: "Undo" fills them.
  ASSERT_TRUE(w.data().courseResponses.isNull());
  w.clickCell(0, 6);  // answered with "Undo"
  ASSERT_EQ(w.script.shown, 1);
  const records::Store& d = w.data();
  for (const records::Field* column : {&d.courseBurns, &d.courseResponses, &d.courseTemperatures, &d.courseDoses,
                                       &d.courseDates, &d.courseTimes, &d.courseInitials}) {
    EXPECT_FALSE(column->isNull()) << column->fieldName().toStdString();
  }
  for (const TreatmentRecord& r : w.recordsInFile()) EXPECT_FALSE(r.recorded());

  // With a treatment recorded, "Undo" on it and on another row changes nothing anywhere.
  w.script.then(update({.condition = Clearing, .dose = "200"}));
  w.clickCell(0, 2);
  const TreatmentRecord recorded = w.record(2);
  const auto before = w.recordsInFile();
  const QString doseCell = w.grid()->cell(2, 2);
  for (int row : {2, 6}) {
    SCOPED_TRACE(row);
    w.clickCell(0, row);  // "Undo"
    EXPECT_TRUE(sameRecord(w.record(2), recorded));
    EXPECT_FALSE(w.record(6).recorded());
    const auto after = w.recordsInFile();
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(sameRecord(after[i], before[i])) << "row " << i + 1;
    EXPECT_EQ(w.grid()->cell(2, 2), doseCell);
  }
  EXPECT_EQ(w.script.shown, 4);
}

TEST_F(ScheduleGridTest, ClearTakesTheTreatmentBackAndShowsThePlannedDoseAgain) {
  w.script.then(update({.condition = Same, .burn = BurnIII, .dose = "150", .temperature = "38"}));
  w.clickCell(0, 3);
  ASSERT_TRUE(w.record(3).recorded());
  ASSERT_EQ(w.grid()->cell(2, 3), "  150");

  // The dialog opens on the recorded values; "Clear" wipes them.
  w.script.then([](ui::TreatmentEntryDialog& f) {
    EXPECT_EQ(f.chosenCondition, Same);
    EXPECT_EQ(f.chosenBurn, BurnIII);
    EXPECT_EQ(field<QLineEdit>(f, names::EdDose)->text().trimmed(), "150");
    QTest::mouseClick(field(f, names::BitBtn2), Qt::LeftButton);
  });
  w.clickCell(1, 3);
  const TreatmentRecord& r = w.record(3);
  EXPECT_FALSE(r.recorded());
  EXPECT_EQ(r.burn, 0);
  EXPECT_EQ(r.Dose, 0.0f);
  EXPECT_EQ(r.Initials, "");
  EXPECT_EQ(w.grid()->cell(2, 3), fmt::Fixed(w.expected(3), 5, 0));
  EXPECT_FALSE(w.recordsInFile()[2].recorded());

  // Opened again, the treatment starts empty.
  w.script.then([](ui::TreatmentEntryDialog& f) {
    EXPECT_EQ(f.chosenCondition, 0);
    EXPECT_EQ(field<QLineEdit>(f, names::EdDose)->text(), "");
    EXPECT_EQ(field<QLineEdit>(f, names::EdTemp)->text(), "");
    QTest::mouseClick(field(f, names::BitBtn3), Qt::LeftButton);
  });
  w.clickCell(0, 3);
  EXPECT_EQ(w.script.shown, 3);
}

TEST_F(ScheduleGridTest, RecordedRowsArePaintedOnTheirBurnAndResponseColours) {
  w.script.then(update({.condition = Same, .burn = BurnII}));
  w.clickCell(0, 3);
  w.script.then(update({.condition = Clearing}));
  w.clickCell(0, 4);
  w.script.then(update({.condition = Missed, .burn = BurnIII, .dose = "0"}));  // a missed visit delivers nothing
  w.clickCell(0, 6);
  ASSERT_EQ(w.script.shown, 3);

  const QImage picture = w.picture();
  auto fillOf = [&](int column, int row) {
    return dominantColour(picture, w.cellRect(column, row).adjusted(1, 1, -2, -2));
  };
  EXPECT_EQ(fillOf(0, 3), QColor(255, 155, 155));  // Burn II
  EXPECT_EQ(fillOf(1, 3), QColor(255, 251, 240));  // Same
  EXPECT_EQ(fillOf(0, 4), QColor(255, 255, 255));  // no burn: white
  EXPECT_EQ(fillOf(1, 4), QColor(0, 255, 0));      // Clearing
  EXPECT_EQ(fillOf(0, 6), QColor(255, 47, 47));    // Burn III
  EXPECT_EQ(fillOf(1, 6), QColor(192, 192, 192));  // Missed
  // A row not recorded keeps the grid's ordinary background in its first cells.
  const QColor ordinary = fillOf(3, 5);
  EXPECT_EQ(fillOf(0, 5), ordinary);
  EXPECT_EQ(fillOf(1, 5), ordinary);

  // The planned dose of a row not recorded is written in silver; a delivered one is not.
  auto textColour = [&](int column, int row) {
    return darkest(picture, w.cellRect(column, row).adjusted(1, 1, -2, -2));
  };
  EXPECT_EQ(textColour(2, 5), QColor(192, 192, 192));
  EXPECT_LT(textColour(2, 3).lightness(), 100);
}

TEST_F(ScheduleGridTest, EachKeyReleasedStoresTheIncrementsAsTyped) {
  ASSERT_TRUE(w.data().courseIncrements.isNull());
  w.clickCell(4, 3);
  const auto storedIncrement = [&](int row) {
    const auto cells = treatment::unpackIncrements(
        records::LoadVarBytes(w.data().courseIncrements, treatment::kPIncColumn.declaredSize));
    return cells[static_cast<std::size_t>(row - 1)];
  };
  const double expectedBefore = w.expected(4);

  w.type(QLatin1Char('1'));  // opens the cell's editor on the typed digit
  EXPECT_EQ(storedIncrement(3), "1");
  EXPECT_EQ(w.grid()->cell(4, 3), "1");
  const double expectedWithOne = w.expected(4);
  EXPECT_NE(expectedWithOne, expectedBefore);  // the plan follows at once

  w.type(QLatin1Char('5'));
  EXPECT_EQ(storedIncrement(3), "15");
  EXPECT_NE(w.expected(4), expectedWithOne);
  EXPECT_EQ(storedIncrement(4), w.grid()->cell(4, 4));  // all 29 are stored

  w.type(QLatin1Char('x'));  // not a whole number: the empty increment
  EXPECT_EQ(storedIncrement(3), "");
  w.key(Qt::Key_Backspace);
  w.key(Qt::Key_Return);
  EXPECT_EQ(storedIncrement(3), "15");
  EXPECT_EQ(w.grid()->cell(4, 3), "15");
  EXPECT_EQ(w.current(), std::make_pair(4, 3));
}

TEST(ScheduleWithoutCourse, NothingIsRecordedOrStoredUnlessACourseIsOpen) {
  ScheduleWindow w;
  w.show();
  w.openNewCourse();

  // While a course is being loaded the plan follows the increments; nothing is recorded or stored.
  {
    const auto loading = w.course->holdMode(course::Mode::Loading);
    w.grid()->setCell(4, 2, QStringLiteral("40"));
    w.clickCell(4, 2);
    w.key(Qt::Key_Right);  // a key released in the grid
    EXPECT_TRUE(w.data().courseIncrements.isNull());
    EXPECT_EQ(w.course->dosing().grid().inc[1], "40");
    w.clickCell(0, 2);
    EXPECT_EQ(w.script.shown, 0);
    EXPECT_TRUE(w.boxes.empty());
  }

  // The list: the window says why nothing happens.
  w.backToList();
  w.grid()->setEnabled(true);  // as it is after an import: the increments can be looked at
  w.clickCell(0, 2);
  EXPECT_EQ(w.script.shown, 0);
  ASSERT_EQ(w.boxes.size(), 1u);
  EXPECT_EQ(w.boxes[0].caption, "Treatment schedule");
  EXPECT_TRUE(w.boxes[0].text.contains("No course is open"));
  w.clickCell(4, 2);
  w.key(Qt::Key_Right);
  EXPECT_EQ(w.current(), std::make_pair(4, 2));  // column 4 still becomes current
  auto other = w.secondCopy();
  EXPECT_TRUE(other->courseIncrements.isNull());
  EXPECT_TRUE(other->courseResponses.isNull());
}

// The store refuses the course row (a full disk, here a trigger): the treatment stays on screen,
// the box says what was not stored and why, and the next write of the course stores it.
TEST_F(ScheduleGridTest, ATreatmentTheStoreRefusesStaysOnScreenAndIsStoredWithTheNextWrite) {
  testing_records::RawStore raw(records::databasePath(w.dbDir));
  raw.exec("CREATE TRIGGER refuse_course BEFORE UPDATE ON Course BEGIN SELECT RAISE(ABORT, 'disk is full'); END");

  w.script.then(update({.condition = Same}));
  w.clickCell(0, 4);
  ASSERT_EQ(w.script.shown, 1);
  ASSERT_EQ(w.boxes.size(), 1u);
  EXPECT_TRUE(w.boxes[0].text.contains("treatment 4 of course 1 of patient ABC1234")) << w.boxes[0].text.toStdString();
  EXPECT_TRUE(w.boxes[0].text.contains("disk is full")) << w.boxes[0].text.toStdString();
  EXPECT_TRUE(w.record(4).recorded());
  EXPECT_EQ(w.grid()->cell(2, 4), fmt::Fixed(w.record(4).Dose, 5, 0));
  EXPECT_EQ(w.data().courses.state(), records::DataSet::State::Edit);
  EXPECT_FALSE(w.recordsInFile()[3].recorded());

  // Once the store takes writes again the next change of the course stores the treatment too.
  raw.exec("DROP TRIGGER refuse_course");
  w.clickCell(0, 7);  // answered with "Undo"
  EXPECT_EQ(w.boxes.size(), 1u);
  EXPECT_EQ(w.data().courses.state(), records::DataSet::State::Browse);
  EXPECT_TRUE(w.recordsInFile()[3].recorded());
  EXPECT_EQ(w.storedComplete(), false);
}
