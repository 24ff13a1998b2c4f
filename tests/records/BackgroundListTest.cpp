// The patient list read on a thread of its own while the window starts: the tables open over it
// when it is in, with what other copies changed meanwhile, as a list read at once would be; a
// store that refuses the read is reported when the tables open; a module closed while the list is
// read waits for nothing it does not need.

#include <gtest/gtest.h>
#include <QSignalSpy>

#include "RecordsFixtures.h"
#include "records/DataError.h"

using namespace testing_records;

namespace {

class BackgroundListTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    raw.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 300; ++i)
      raw.addPatient(QStringLiteral("L%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Listed"), 2);
    raw.exec(QStringLiteral("COMMIT"));
    raw.addCourse(QStringLiteral("L000"), 1);
  }
  // A module whose list is being read in the background.
  std::unique_ptr<records::Store> connectInBackground() {
    auto data = std::make_unique<records::Store>();
    EXPECT_EQ(data->open(dirPath(), records::Store::ListRead::InBackground), records::Store::ConnectResult::Connected);
    return data;
  }
};

TEST_F(BackgroundListTest, TheTablesOpenOverTheListWithWhatOthersChangedMeanwhile) {
  auto data = connectInBackground();
  EXPECT_TRUE(data->connected());
  EXPECT_TRUE(data->readingList());
  EXPECT_FALSE(data->patients.active()) << "nothing is shown before the list is in";
  EXPECT_THROW(data->findPatients(QStringLiteral("L001"), QString(), 7), records::DataError);

  QSignalSpy done(data.get(), &records::Store::listReadDone);
  ASSERT_TRUE(done.wait(20000));
  EXPECT_FALSE(data->patients.active()) << "the tables open when asked, on the module's thread";

  // Another copy changes the store after the list was read and before the tables open.
  {
    RawStore other(file());
    other.exec(QStringLiteral("UPDATE Patient SET SurN = 'Renamed' WHERE Hosp = 'L010'"));
    other.exec(QStringLiteral("DELETE FROM Patient WHERE Hosp = 'L020'"));
    other.addPatient(QStringLiteral("NEW1"), QStringLiteral("Added"));
  }
  const qint64 before = data->connection.rowsRead();
  data->awaitList();
  EXPECT_FALSE(data->readingList());
  ASSERT_TRUE(data->patients.active());
  EXPECT_LT(data->connection.rowsRead() - before, 20) << "only the changed patients are read again";

  auto fresh = connect();
  EXPECT_EQ(listed(*data), listed(*fresh));
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("L000")) << "the first patient is current";
  EXPECT_EQ(courses(*data), QList<int>{1}) << "with its courses";
  data->findPatients(QString(), QStringLiteral("renamed"), 7);
  EXPECT_EQ(listed(*data), QStringList{QStringLiteral("L010")});
  data->findPatients(QStringLiteral("NEW1"), QString(), 7);
  EXPECT_EQ(data->patientSurname.asString(), QStringLiteral("Added"));

  data->awaitList();  // nothing being read: nothing happens
  EXPECT_EQ(data->patientNhi.asString(), QStringLiteral("NEW1"));
}

TEST_F(BackgroundListTest, AskingBeforeTheReadEndedWaitsForIt) {
  auto data = connectInBackground();
  data->awaitList();  // the read had not even begun: it is made now
  ASSERT_TRUE(data->patients.active());
  EXPECT_EQ(data->patients.recordCount(), 300);
}

TEST_F(BackgroundListTest, AStoreThatRefusesTheListIsReportedWhenTheTablesOpen) {
  auto data = connectInBackground();
  RawStore(file()).exec(QStringLiteral("DROP TABLE Patient"));
  try {
    data->awaitList();
    ADD_FAILURE() << "no error";
  } catch (const records::DataError& e) {
    EXPECT_TRUE(e.message().contains(QStringLiteral("Patient"))) << e.message().toStdString();
  }
  EXPECT_FALSE(data->readingList());
  EXPECT_FALSE(data->connected()) << "the program goes on without patient records";
}

TEST_F(BackgroundListTest, AModuleClosedWhileTheListIsReadEndsCleanly) {
  for (const bool started : {false, true}) {
    SCOPED_TRACE(started ? "read begun" : "read not begun");
    auto data = connectInBackground();
    if (started) QCoreApplication::processEvents();  // the read begins
    data.reset();
  }
  auto data = connectInBackground();
  EXPECT_EQ(data->open(dirPath()), records::Store::ConnectResult::Connected) << "connecting again drops the read";
  EXPECT_FALSE(data->readingList());
  EXPECT_EQ(data->patients.recordCount(), 300);
}

}  // namespace
