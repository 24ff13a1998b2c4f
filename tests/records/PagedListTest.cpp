// The patient list holds only its compact index (key, folded texts, status) and reads the columns a
// grid shows a page at a time: every cell of every row must still be what the store holds, in the
// list's order, after the cached pages were dropped, after another copy wrote, after "List", and
// after this copy's own changes; and the searches over the index must list what a fresh read lists.

#include <gtest/gtest.h>

#include "RecordsFixtures.h"
#include "records/Schema.h"

using namespace testing_records;

namespace {

constexpr int kPatients = 700;  // more than the rows a list keeps at hand, in pages of 64

class PagedListTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    raw.exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < kPatients; ++i) {
      // Letter case, nulls, empty and non-ASCII texts spread through the pages.
      const QString hosp =
          (i % 3 == 0 ? QStringLiteral("abc%1") : QStringLiteral("ABC%1")).arg(i, 4, 10, QLatin1Char('0'));
      const QVariant surname = i % 11 == 0   ? QVariant()
                               : i % 13 == 0 ? QVariant(QString())
                               : i % 7 == 0  ? QVariant(QStringLiteral("Ørsted-Ünal%1").arg(i % 5))
                                             : QVariant(QStringLiteral("Smith%1").arg(i % 17));
      const QVariant complete = i % 9 == 0 ? QVariant() : QVariant(i % 8);
      raw.exec(QStringLiteral("INSERT INTO Patient (Hosp, Birth, FirstN, SurN, Complete, NCourse, Lang, MEMOs) "
                              "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
               {hosp, 20000.0 + i, QStringLiteral("First%1").arg(i), surname, complete, i % 4, i % 3,
                i % 5 == 0 ? QVariant() : QVariant(QStringLiteral("note %1").arg(i))});
    }
    raw.exec(QStringLiteral("COMMIT"));
  }

  // Every patient row as the store holds it, in the list's order (the order rows were added).
  std::vector<std::vector<QVariant>> stored() {
    const records::TableDef& t = records::patientTable();
    QStringList names;
    for (const records::ColumnDef& c : t.columns) names << c.name;
    RawStore raw(file());
    std::vector<std::vector<QVariant>> out;
    for (const QVariantList& row :
         raw.rows(QStringLiteral("SELECT %1 FROM Patient ORDER BY %2")
                      .arg(names.join(u','), onServer() ? QStringLiteral("InsertOrder") : QStringLiteral("rowid")))) {
      std::vector<QVariant> values;
      for (std::size_t c = 0; c < t.columns.size(); ++c)
        values.push_back(records::normalizeValue(t.columns[c], row[static_cast<qsizetype>(c)]));
      out.push_back(std::move(values));
    }
    return out;
  }

  // Every cell the grid shows, read back to front and then front to back, so that pages are read
  // anew after others pushed them out.
  static void expectGridShows(const records::DataSet& list, const std::vector<std::vector<QVariant>>& expected) {
    ASSERT_EQ(list.recordCount(), static_cast<int>(expected.size()));
    const int columns = static_cast<int>(records::patientTable().columns.size());
    for (const bool backwards : {true, false}) {
      for (int i = 0; i < list.recordCount(); ++i) {
        const int r = backwards ? list.recordCount() - i : i + 1;
        for (int c = 0; c < columns; ++c) {
          const QVariant shown = list.valueAt(r, c);
          const QVariant& want = expected[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c)];
          ASSERT_EQ(shown.isValid(), want.isValid()) << "row " << r << " column " << c;
          ASSERT_EQ(shown, want) << "row " << r << " column " << c << ": " << shown.toString().toStdString();
        }
      }
    }
  }

  // "List": the three tables closed and opened again.
  static void list(records::Store& data) {
    data.photos.close();
    data.courses.close();
    data.patients.close();
    data.patients.open();
    data.courses.open();
    data.photos.open();
  }

  // What a search lists, compared with a module that has just read the whole list.
  void expectSearchesAsFresh(records::Store& data) {
    auto fresh = connect();
    const std::vector<std::tuple<QString, QString, int>> searches = {{QStringLiteral("abc00"), QString(), 7},
                                                                     {QStringLiteral("ABC01"), QString(), 7},
                                                                     {QString(), QStringLiteral("smith1"), 7},
                                                                     {QString(), QStringLiteral("øRSTED"), 7},
                                                                     {QStringLiteral("a"), QStringLiteral("ünal3"), 7},
                                                                     {QString(), QString(), 5},
                                                                     {QString(), QString(), 7},
                                                                     {QStringLiteral("abc0700"), QString(), 7}};
    for (const auto& [hosp, surname, mask] : searches) {
      SCOPED_TRACE(QStringLiteral("NHI '%1', surname '%2', mask %3").arg(hosp, surname).arg(mask).toStdString());
      data.findPatients(hosp, surname, static_cast<std::uint8_t>(mask));
      fresh->findPatients(hosp, surname, static_cast<std::uint8_t>(mask));
      EXPECT_EQ(listed(data), listed(*fresh));
    }
    data.patients.setFiltered(false);
  }
};

TEST_F(PagedListTest, TheGridShowsEveryRowAsTheStoreHoldsItOnEveryRead) {
  for (const auto mode : {records::Store::ListRead::Now, records::Store::ListRead::InBackground}) {
    SCOPED_TRACE(mode == records::Store::ListRead::Now ? "read at once" : "read in the background");
    auto data = std::make_unique<records::Store>();
    ASSERT_EQ(data->open(dirPath(), mode), records::Store::ConnectResult::Connected);
    data->awaitList();
    expectGridShows(data->patients, stored());
  }
}

TEST_F(PagedListTest, RowsMatchTheStoreAfterAnotherCopyWroteAndAfterList) {
  auto data = connect();
  expectGridShows(data->patients, stored());  // every page read once, and cached

  {
    // Another copy changes shown columns of cached rows, the key-held ones, deletes and adds.
    RawStore other(file());
    other.exec(
        QStringLiteral("UPDATE Patient SET FirstN = 'Changed', SurN = 'Renamed', Complete = 4 WHERE Hosp = 'ABC0001'"));
    other.exec(QStringLiteral("UPDATE Patient SET Birth = 1.5, SurN = NULL WHERE Hosp = 'ABC0350'"));
    other.exec(QStringLiteral("DELETE FROM Patient WHERE Hosp IN ('abc0000', 'ABC0064', 'ABC0699')"));
    other.addPatient(QStringLiteral("NEW0001"), QStringLiteral("Added"), 1);
    other.addPatient(QStringLiteral("abc0000"), QStringLiteral("Again"), 2);  // a deleted NHI comes back, at the end
  }
  list(*data);
  expectGridShows(data->patients, stored());
  expectSearchesAsFresh(*data);

  // This copy's own changes, including a new NHI for a patient, and a patient of its own.
  ASSERT_TRUE(data->patients.gotoBookmark({{QStringLiteral("ABC0002")}}));
  data->patients.edit();
  data->patientNhi.setString(QStringLiteral("ZZZ0002"));
  data->patientSurname.setString(QStringLiteral("Moved"));
  data->patients.post();
  data->findPatients(QStringLiteral("OWN0001"), QString(), 7);  // nobody: Select adds the patient
  data->addPatient(QStringLiteral("OWN0001"), QStringLiteral("Own"));
  expectGridShows(data->patients, stored());
  ASSERT_TRUE(data->patients.gotoBookmark({{QStringLiteral("ZZZ0002")}})) << "found by its new NHI";
  EXPECT_FALSE(data->patients.gotoBookmark({{QStringLiteral("ABC0002")}})) << "and no longer by its old one";
  ASSERT_TRUE(data->patients.gotoBookmark({{QStringLiteral("ABC0005")}}));
  data->patients.deleteRow();
  expectGridShows(data->patients, stored());
  expectSearchesAsFresh(*data);

  list(*data);
  expectGridShows(data->patients, stored());
  ASSERT_TRUE(data->patients.gotoBookmark({{QStringLiteral("OWN0001")}}));
  EXPECT_EQ(data->patientSurname.asString(), QStringLiteral("Own"));
}

}  // namespace
