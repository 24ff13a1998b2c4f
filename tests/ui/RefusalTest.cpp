// When the store refuses a write (a full disk, a lock held too long by another workstation; here a
// trigger that aborts the statement), every kind of field behaves alike: one error box names what
// was not stored and the store's reason, the window keeps what the user entered and stays open,
// and the next change of the same table stores it as well.

#include <gtest/gtest.h>
#include <QAbstractItemModel>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include "../diagram/PhotoFixtures.h"
#include "../records/RecordsFixtures.h"
#include "support/WindowFixture.h"
#include "ui/widgets/ScheduleGrid.h"

namespace {

constexpr const char* kReason = "the disk is full";

class Refusal : public ::testing::Test {
 public:  // the cases' functions take the fixture
  void SetUp() override {
    ASSERT_TRUE(app.created);
    ASSERT_TRUE(files.isValid());
    app.show();
    app.type(app.find(names::EdHosp), "ABC1234");
    QTest::mouseClick(app.find(names::BtnSelect), Qt::LeftButton);
    ASSERT_EQ(app.course->mode(), course::Mode::Patient);
    app.find<QComboBox>(names::ComSkinType)->setCurrentIndex(1);
    app.type(app.find(names::EdAge), "40");
    app.leave(app.find(names::EdAge));
    QTest::mouseClick(app.find(names::Panel5), Qt::LeftButton);
    app.boxes.clear();
  }

  void refuse(const QString& table, const char* what = "UPDATE") {
    raw.exec(QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %2 ON %1 BEGIN SELECT RAISE(ABORT, '%3'); END")
                 .arg(table, QLatin1String(what), QLatin1String(kReason)));
  }
  void allow(const QString& table) { raw.exec(QStringLiteral("DROP TRIGGER refuse_%1").arg(table)); }
  std::vector<dialogs::Box> errors() const {
    std::vector<dialogs::Box> out;
    for (const dialogs::Box& b : app.boxes)
      if (b.kind == dialogs::Kind::Error) out.push_back(b);
    return out;
  }
  void typeAndLeave(const char* box, const QString& text) {
    app.type(app.find(box), text);
    app.leave(app.find(box));
  }
  QVariant stored(const QString& sql) { return raw.scalar(sql); }

  // A JPEG file dropped on the window.
  void drop(const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.window.get(), &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.window.get(), &dropped);
    QCoreApplication::processEvents();
  }
  QString photo(const QString& name) {
    return photo_fixtures::writeJpeg(QDir(files.path()), name, photo_fixtures::cornerMarked(64, 48));
  }

  WindowFixture app;
  testing_records::RawStore raw{records::databasePath(app.dbDir)};
  QTemporaryDir files;
};

TEST_F(Refusal, EachKindOfFieldKeepsWhatWasEnteredAndStoresItWithTheNextChange) {
  struct Family {
    const char* name;
    QString table;
    std::function<void(Refusal&)> change;  // the user's change the store refuses
    const char* named;                     // what the box names
    std::function<void(Refusal&)> next;    // the next change of the same table, once it takes writes
    QString check;                         // the first change as the file holds it afterwards
    QVariant expected;
  };
  const auto otherCourseField = [](Refusal& t) { t.typeAndLeave(names::DBConsult, "AB"); };
  const auto otherPatientField = [](Refusal& t) { t.typeAndLeave(names::DBCell, "0279876"); };
  // clang-format off
  const Family families[] = {
      {"assessment", "Course", [](Refusal& t) { t.typeAndLeave(names::DBReferal, "Dr Lock"); },
       "Referred by \"Dr Lock\"", otherCourseField, "SELECT Referal FROM Course", "Dr Lock"},
      {"names and phones", "Patient", [](Refusal& t) { t.typeAndLeave(names::DBHome, "0211234"); },
       "Home phone \"0211234\"", otherPatientField, "SELECT HomePh FROM Patient", "0211234"},
      {"surname", "Patient", [](Refusal& t) { t.typeAndLeave(names::EdSurname, "Lock"); },
       "Surname \"Lock\"", otherPatientField, "SELECT SurN FROM Patient", "Lock"},
      {"memo", "Course", [](Refusal& t) { t.typeAndLeave(names::DBMemoMeds, "Methotrexate"); },
       "Meds \"Methotrexate\"", otherCourseField, "SELECT MemoMeds FROM Course", "Methotrexate"},
      {"MED", "Course", [](Refusal& t) { t.typeAndLeave(names::DBEdMED, "321"); },
       "MED \"321\"", otherCourseField, "SELECT EdMed FROM Course", 321},
      {"age", "Course", [](Refusal& t) { t.typeAndLeave(names::EdAge, "52"); },
       "Age \"52.0\"", otherCourseField, "SELECT Old FROM Course", 52.0},
      {"skin type", "Course", [](Refusal& t) { t.app.find<QComboBox>(names::ComSkinType)->setCurrentIndex(3); },
       "Skin Type \"IV  Never burns, always tans\"", otherCourseField, "SELECT SkinIndex FROM Course", 3},
      {"schedule", "Course",
       [](Refusal& t) {
         auto* grid = t.app.find<ui::ScheduleGrid>(names::StringGrid1);
         grid->setCell(4, 3, "33");
         grid->setFocus();
         QTest::keyClick(grid, Qt::Key_Right);  // a key released in the schedule stores the increments
       },
       "\"% Inc\" column", otherCourseField, "SELECT length(PInc) > 0 FROM Course", 1},
      {"spots", "Course",
       [](Refusal& t) { QTest::mouseClick(t.app.find(names::ImgPerson), Qt::LeftButton, {}, QPoint(40, 60)); },
       "spots on the body diagram", otherCourseField, "SELECT SpotsLength FROM Course", 1},
      {"note", "Imagedb",
       [](Refusal& t) {
         auto* tabs = t.app.find<QTabWidget>(names::PageControl1);
         tabs->setCurrentWidget(t.app.find(names::TabNotes));
         t.typeAndLeave(names::DBMemo1, "Plaque");
       },
       "note of photograph 1",
       [](Refusal& t) { t.app.find<QDateTimeEdit>(names::DBImageDate)->setDate(QDate(2025, 1, 2)); },
       "SELECT NoteMemo FROM Imagedb", "Plaque"},
  };
  // clang-format on
  for (const Family& f : families) {
    SCOPED_TRACE(f.name);
    if (QString(f.name) == "note") drop(photo("note.jpg"));
    app.boxes.clear();
    refuse(f.table);
    f.change(*this);
    const auto shown = errors();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.contains(QLatin1String(f.named))) << shown[0].text.toStdString();
    EXPECT_TRUE(shown[0].text.contains(QLatin1String(kReason))) << shown[0].text.toStdString();
    EXPECT_EQ(app.course->mode(), course::Mode::Patient);
    EXPECT_TRUE(app.course->hasPendingChanges());
    EXPECT_NE(stored(f.check), f.expected);

    allow(f.table);
    f.next(*this);
    EXPECT_EQ(errors().size(), 1u);
    EXPECT_FALSE(app.course->hasPendingChanges());
    EXPECT_EQ(stored(f.check), f.expected);
  }
}

TEST_F(Refusal, APhotographTheStoreRefusesIsNamedAndCanBeDroppedAgain) {
  refuse("Imagedb", "INSERT");
  const QString file = photo("refused.jpg");
  drop(file);
  ASSERT_EQ(errors().size(), 1u);
  EXPECT_TRUE(errors()[0].text.contains(QDir::toNativeSeparators(file))) << errors()[0].text.toStdString();
  EXPECT_TRUE(errors()[0].text.contains(kReason)) << errors()[0].text.toStdString();
  EXPECT_EQ(app.course->photographCount(), 0);
  EXPECT_FALSE(app.course->hasPendingChanges());

  allow("Imagedb");
  drop(file);
  EXPECT_EQ(errors().size(), 1u);
  EXPECT_EQ(app.course->photographCount(), 1);
}

TEST_F(Refusal, ListWithAChangeStillRefusedAsksAndKeepsItUnlessTheUserLetsItGo) {
  refuse("Course");
  typeAndLeave(names::DBReferal, "Dr Lock");
  app.boxes.clear();
  // "No": the course stays open with what was typed.
  app.answer = [](const dialogs::Box& b) {
    return b.kind == dialogs::Kind::Question ? QMessageBox::No : QMessageBox::Ok;
  };
  QTest::mouseClick(app.find(names::BtnClear), Qt::LeftButton);
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_EQ(app.boxes[0].caption, "Not stored");
  EXPECT_TRUE(app.boxes[0].text.contains("Dr Lock")) << app.boxes[0].text.toStdString();
  EXPECT_EQ(app.course->mode(), course::Mode::Patient);
  EXPECT_EQ(app.find<QLineEdit>(names::DBReferal)->text(), "Dr Lock");
  // "Yes": back to the list; what was not stored is let go.
  app.answer = [](const dialogs::Box&) { return QMessageBox::Yes; };
  QTest::mouseClick(app.find(names::BtnClear), Qt::LeftButton);
  EXPECT_EQ(app.course->mode(), course::Mode::List);
  EXPECT_FALSE(app.course->hasPendingChanges());
  EXPECT_TRUE(stored("SELECT Referal FROM Course").isNull());
}

}  // namespace
