// The table cursors: moving, bookmarks, master and detail, writing columns of each kind, detaching
// the bound widgets, deleting.

#include <gtest/gtest.h>
#include <QBuffer>

#include "RecordsFixtures.h"
#include "records/DataError.h"

using namespace testing_records;
using records::DataSet;

namespace {

class CursorTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    raw.addPatient("P1", "One", 2, 2);
    raw.addPatient("P2", "Two", 2, 1);
    raw.addPatient("P3", "Three", 0, 0);
    raw.addCourse("P1", 1);
    raw.addCourse("P1", 2);
    raw.addCourse("P2", 1);
    for (const char* note : {"first", "second"}) {
      raw.exec(QStringLiteral("INSERT INTO Imagedb (Hosp, CourseID, NoteMemo) VALUES ('P1', 2, ?)"),
               {QString::fromLatin1(note)});
    }
    data = connect();
  }
  std::unique_ptr<records::Store> data;
};

TEST_F(CursorTest, MovesCountsAndBookmarks) {
  DataSet& p = data->patients;
  int scrolls = 0;
  QObject::connect(&p, &DataSet::afterScroll, [&] { ++scrolls; });

  EXPECT_EQ(p.recordCount(), 3);
  EXPECT_EQ(p.recNo(), 1);
  EXPECT_FALSE(p.eof());
  p.next();
  p.next();
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P3"));
  EXPECT_EQ(scrolls, 2);
  p.next();  // past the end: no move, no scroll event
  EXPECT_TRUE(p.eof());
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P3"));
  EXPECT_EQ(scrolls, 2);
  p.prior();
  EXPECT_FALSE(p.eof());
  EXPECT_EQ(p.recNo(), 2);

  const records::Bookmark two = p.bookmark();
  p.first();
  EXPECT_TRUE(p.setRecNo(3));
  p.prior();
  p.prior();
  p.prior();  // before the start
  EXPECT_TRUE(p.bof());
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P1"));
  ASSERT_TRUE(p.gotoBookmark(two));
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P2"));
  p.reopen();
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P2"));
  EXPECT_FALSE(p.gotoBookmark(records::Bookmark{{QStringLiteral("NOBODY")}}));
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P2"));
  EXPECT_EQ(p.valueAt(3, data->patientSurname.index()).toString(), QStringLiteral("Three"));
}

TEST_F(CursorTest, DetailsFollowTheirMasterAndTakeItsLinkValues) {
  EXPECT_EQ(courses(*data), (QList<int>{1, 2}));
  EXPECT_EQ(data->courseNumber.asInteger(), 1);
  EXPECT_TRUE(data->photos.isEmpty()) << "course 1 has no photographs";

  data->courses.next();
  ASSERT_EQ(data->photos.recordCount(), 2);
  EXPECT_EQ(data->photoNote.asString(), QStringLiteral("first")) << "placed on the first photograph";
  data->photos.next();

  data->patients.next();  // P2: its courses, on the first; the photographs follow the course
  EXPECT_EQ(courses(*data), QList<int>{1});
  EXPECT_EQ(data->courseNhi.asString(), QStringLiteral("P2"));
  EXPECT_TRUE(data->photos.isEmpty());

  data->patients.next();  // P3 has no course
  EXPECT_TRUE(data->courses.isEmpty());
  EXPECT_TRUE(data->courses.eof());
  data->courses.append();
  data->courseNumber.setInteger(1);
  data->courses.post();
  data->photos.append();
  data->photoNote.setString(QStringLiteral("new"));
  data->photos.post();
  EXPECT_GT(data->photoId.asInteger(), 0) << "the store numbers the photograph";

  RawStore raw(file());
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT COUNT(*) FROM Course WHERE Hosp = 'P3' AND CourseID = 1")).toInt(), 1);
  const auto image = raw.rows(QStringLiteral("SELECT Hosp, CourseID FROM Imagedb WHERE NoteMemo = 'new'"));
  ASSERT_EQ(image.size(), 1u);
  EXPECT_EQ(image[0][0].toString(), QStringLiteral("P3"));
  EXPECT_EQ(image[0][1].toInt(), 1);
  // Reading the new course row back gives the store's Yes/No default.
  EXPECT_FALSE(data->courseFinished.isNull());
  EXPECT_FALSE(data->courseFinished.asBoolean());
}

TEST_F(CursorTest, ColumnsOfEveryKindAreStoredAsWritten) {
  struct Case {
    const char* what;
    DataSet* table;
    records::Field* field;
    std::function<void(records::Field&)> write;
    QVariant stored;  // as a plain SQL read of the file gives it; null QVariant for SQL NULL
  };
  const QString pair = QString::fromUtf8("\xF0\x9F\x98\x80");  // one character outside the BMP: two UTF-16 units
  const QByteArray bytes("\x00\x01\xff\x00", 4);
  // clang-format off
  const Case cases[] = {
      {"a text longer than its width is cut", &data->patients, &data->patientSurname,
       [](auto& f) { f.setString(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY")); }, QStringLiteral("ABCDEFGHIJKLMNOPQRST")},
      {"a cut never splits a character", &data->patients, &data->patientFirstName,
       [&](auto& f) { f.setString(QStringLiteral("ABCDEFGHIJKLMN") + pair); }, QStringLiteral("ABCDEFGHIJKLMN")},
      {"empty text stays empty, not null", &data->patients, &data->patientAddress,
       [](auto& f) { f.setString(QString()); }, QStringLiteral("")},
      {"a memo keeps any length", &data->patients, &data->patientAddress,
       [](auto& f) { f.setString(QString(5000, u'm')); }, QString(5000, u'm')},
      {"a small unsigned number", &data->patients, &data->patientEyes, [](auto& f) { f.setInteger(3); },
       qlonglong(3)},
      {"a whole number typed as text", &data->courses, &data->courseMed,
       [](auto& f) { f.setString(QStringLiteral(" -25")); }, qlonglong(-25)},
      {"empty text in a number column is null", &data->courses, &data->courseMed,
       [](auto& f) { f.setString(QString()); }, QVariant()},
      {"a date-time keeps its time of day", &data->courses, &data->courseAssessed,
       [](auto& f) { f.setDateTime(45678.123456789); }, 45678.123456789},
      {"a 64-bit float", &data->courses, &data->courseAge, [](auto& f) { f.setFloat(45.5); }, 45.5},
      {"the Yes/No column set", &data->courses, &data->courseFinished, [](auto& f) { f.setBoolean(true); },
       qlonglong(1)},
      {"the Yes/No column never null", &data->courses, &data->courseFinished, [](auto& f) { f.setNull(); },
       qlonglong(0)},
      {"bytes with zeros", &data->courses, &data->courseDoses, [&](auto& f) { f.setBytes(bytes); }, bytes},
      {"no bytes is not null", &data->courses, &data->courseIncrements, [](auto& f) { f.setBytes(QByteArray()); },
       QByteArray("", 0)},
      {"bytes set null", &data->courses, &data->courseSpots, [](auto& f) { f.setNull(); }, QVariant()},
  };
  // clang-format on
  RawStore raw(file());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.table->edit();
    c.write(*c.field);
    c.table->post();
    const QString where =
        c.table == &data->patients ? QStringLiteral("Hosp = 'P1'") : QStringLiteral("Hosp = 'P1' AND CourseID = 1");
    const QVariant stored = raw.scalar(
        QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(c.field->fieldName(), c.table->table().name, where));
    EXPECT_EQ(stored.isNull(), c.stored.isNull()) << stored.toString().toStdString();
    if (!c.stored.isNull()) {
      if (c.stored.typeId() == QMetaType::QByteArray) {
        EXPECT_EQ(stored.toByteArray(), c.stored.toByteArray());
      } else {
        EXPECT_EQ(stored, c.stored) << stored.toString().toStdString();
      }
    }
    // The cursor reads back what the file holds, after a re-read too.
    data->reread(*c.table);
    EXPECT_EQ(c.field->isNull(), c.stored.isNull());
    if (c.stored.typeId() == QMetaType::QString) {
      EXPECT_EQ(c.field->asString(), c.stored.toString());
    } else if (c.stored.typeId() == QMetaType::QByteArray) {
      EXPECT_EQ(c.field->asBytes(), c.stored.toByteArray());
    }
  }
}

TEST_F(CursorTest, RefusedValuesNameTheColumnAndChangeNothing) {
  struct Case {
    const char* what;
    DataSet* table;
    std::function<void()> write;
    const char* message;
  };
  // clang-format off
  const Case cases[] = {
      {"not being edited", &data->patients, [&] { data->patientSurname.setString(QStringLiteral("X")); },
       "Patient.SurN"},
      {"above 255", &data->patients, [&] { data->patients.edit(); data->patientEyes.setInteger(256); },
       "Patient.Eyes"},
      {"beyond 32 bits", &data->courses, [&] { data->courses.edit(); data->courseMed.setInteger(1LL << 33); },
       "Course.EdMed"},
      {"text that is no number", &data->courses,
       [&] { data->courses.edit(); data->courseMed.setString(QStringLiteral("12x")); }, "Course.EdMed"},
      {"not a number", &data->courses,
       [&] { data->courses.edit(); data->courseAge.setFloat(std::numeric_limits<double>::quiet_NaN()); },
       "Course.Old"},
      {"the photograph number", &data->photos,
       [&] { data->courses.last(); data->photos.edit(); data->photoId.setInteger(99); }, "Imagedb.ImageID"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.write();
      ADD_FAILURE() << "accepted";
    } catch (const records::DataError& e) {
      EXPECT_TRUE(e.message().contains(QLatin1String(c.message))) << e.message().toStdString();
    }
    c.table->cancel();
  }
  RawStore raw(file());
  EXPECT_TRUE(raw.scalar(QStringLiteral("SELECT Eyes FROM Patient WHERE Hosp = 'P1'")).isNull());
  EXPECT_TRUE(raw.scalar(QStringLiteral("SELECT EdMed FROM Course WHERE Hosp = 'P1' AND CourseID = 1")).isNull());
}

TEST_F(CursorTest, DetachedWidgetsHearNothingUntilReattachedAndDetailsCatchUp) {
  int patientNotices = 0, courseScrolls = 0;
  QObject::connect(&data->patients, &DataSet::dataChanged, [&] { ++patientNotices; });
  QObject::connect(&data->courses, &DataSet::afterScroll, [&] { ++courseScrolls; });
  int scrolls = 0;
  QObject::connect(&data->patients, &DataSet::afterScroll, [&] { ++scrolls; });
  {
    const records::ControlsDisabled detached(data->patients);
    for (data->patients.first(); !data->patients.eof(); data->patients.next()) {
    }
    data->patients.first();
    data->patients.next();  // P2
    EXPECT_EQ(patientNotices, 0);
    EXPECT_EQ(courseScrolls, 0) << "details wait while the master's widgets are detached";
    EXPECT_EQ(scrolls, 5) << "the after-move event is sent all the same";
    EXPECT_EQ(data->courseNhi.asString(), QStringLiteral("P1"));
  }
  EXPECT_EQ(patientNotices, 1);
  EXPECT_EQ(data->courseNhi.asString(), QStringLiteral("P2"));
  EXPECT_EQ(courseScrolls, 1);
}

TEST_F(CursorTest, DeletingMakesTheNextRowCurrent) {
  DataSet& p = data->patients;
  p.next();
  p.deleteRow();  // P2
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P3"));
  p.deleteRow();  // the last one: the new last becomes current
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("P1"));
  p.deleteRow();
  EXPECT_TRUE(p.isEmpty());
  EXPECT_TRUE(p.eof());
  EXPECT_THROW(p.deleteRow(), records::DataError);
  EXPECT_EQ(RawStore(file()).scalar(QStringLiteral("SELECT COUNT(*) FROM Patient")).toInt(), 0);
}

TEST_F(CursorTest, ByteColumnsAsStreams) {
  data->courses.edit();
  QByteArray bytes(300, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i);
  QBuffer in(&bytes);
  in.open(QIODevice::ReadOnly);
  in.seek(100);  // the stream's remaining bytes are stored
  data->courseSpots.loadFromStream(in);
  data->courses.post();
  const std::unique_ptr<QIODevice> out = data->courseSpots.createBlobStream();
  EXPECT_EQ(out->pos(), 0);
  EXPECT_EQ(out->readAll(), bytes.mid(100));
}

}  // namespace

namespace {

// Rows are read straight from SQLite where the driver allows it, through QSqlQuery otherwise: both
// must give every kind of value, null and empty ones included, exactly alike.
TEST_F(CursorTest, BothWaysOfReadingGiveTheSameValues) {
  RawStore raw(file());
  raw.exec(QStringLiteral("INSERT INTO Patient (Hosp, Birth, WorkPh, MEMOs, NCourse, Eyes, SurN, FirstN) "
                          "VALUES ('P9', 12345.678, '', ?, -7, 255, ?, NULL)"),
           {QString::fromUtf8("Flat 1\nMāori Road \xF0\x9F\x98\x80"), QStringLiteral("Ngā")});
  raw.exec(QStringLiteral("INSERT INTO Course (Hosp, CourseID, Old, Dose, Spots, Complete, EdLong) "
                          "VALUES ('P9', 1, 45.25, ?, ?, TRUE, '')"),
           {QByteArray("\x00\x01\x02", 3), QByteArray("", 0)});
  auto readAll = [&](bool direct) {
    data->connection.setDirectReads(direct);
    data->patients.close();
    data->courses.close();
    data->patients.open();
    data->courses.open();
    data->findPatients(QStringLiteral("P9"), QString(), 7);
    QVariantList values;
    for (records::DataSet* t : {&data->patients, &data->courses}) {
      for (int c = 0; c < static_cast<int>(t->table().columns.size()); ++c) values << t->value(c);
    }
    return values;
  };
  const QVariantList viaQt = readAll(false);
  const QVariantList direct = readAll(true);
  ASSERT_EQ(viaQt.size(), direct.size());
  for (int i = 0; i < viaQt.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(viaQt[i].isNull(), direct[i].isNull());
    EXPECT_EQ(viaQt[i].typeId(), direct[i].typeId());
    EXPECT_EQ(viaQt[i], direct[i]) << viaQt[i].toString().toStdString() << " / " << direct[i].toString().toStdString();
  }
  EXPECT_EQ(data->patientAddress.asString(), QString::fromUtf8("Flat 1\nMāori Road \xF0\x9F\x98\x80"));
  EXPECT_FALSE(data->patientWorkPhone.isNull());
  EXPECT_TRUE(data->patientFirstName.isNull());
  EXPECT_FALSE(data->courseSpots.isNull());
  EXPECT_TRUE(data->courseTimes.isNull());
  if (!data->connection.directReads()) GTEST_SKIP() << "this Qt driver brings its own SQLite: only QSqlQuery reads";
}

// A whole-number column keeps whatever another writer or a damaged file puts in it. Both ways of
// reading give a real number's whole part, and a number beyond 32 bits (even one far beyond 64)
// reads as the nearest one that fits rather than overflowing.
TEST_F(CursorTest, OddValuesInWholeNumberColumnsReadAsTheNearestThatFits) {
  if (onServer()) GTEST_SKIP() << "the store file only: a server's whole-number column holds whole numbers only";
  struct Case {
    QVariant stored;
    int expected;
  };
  const Case cases[] = {
      {12.7, 12},
      {-12.7, -12},
      {QVariant(qlonglong(4294967297)), std::numeric_limits<int>::max()},
      {QVariant(qlonglong(-4294967297)), std::numeric_limits<int>::min()},
      {1e300, std::numeric_limits<int>::max()},
      {-1e300, std::numeric_limits<int>::min()},
  };
  RawStore raw(file());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    raw.exec(QStringLiteral("INSERT INTO Patient (Hosp, NCourse) VALUES (?, ?)"),
             {QStringLiteral("Q%1").arg(i), cases[i].stored});
  }
  for (const bool direct : {false, true}) {
    data->connection.setDirectReads(direct);
    data->patients.close();
    data->patients.open();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      SCOPED_TRACE(cases[i].stored.toString().toStdString() + (direct ? " read directly" : " read through Qt"));
      data->findPatients(QStringLiteral("Q%1").arg(i), QString(), 7);
      EXPECT_EQ(data->patientCourseCount.asInteger(), cases[i].expected);
    }
  }
}

}  // namespace
