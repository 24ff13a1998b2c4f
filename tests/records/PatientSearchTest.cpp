// The patient search three ways over one store: row by row (the list's own test), through the
// list's compact index (what a search uses on a large list), and, on a server, as the one indexed
// statement the server answers. All three must list exactly the same patients, over names that
// hold quotes, wildcards, letters outside ASCII and letters that change when their case changes,
// a null surname and a status never computed; for a table of typed texts and the search fuzzing
// corpus. (A text cut inside a character cannot be sent to a server: only the first two compare.) The index must stay right while rows are added, changed and removed by this copy and by
// another.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "RecordsFixtures.h"
#include "records/PatientFilter.h"
#include "records/PatientSearch.h"

namespace {

using namespace testing_records;

struct Patient {
  const char* hosp;
  const char* surname;  // nullptr: never written
  int status;           // -1: never computed
};

// clang-format off
const Patient kPatients[] = {
    {"ABC1001", "Smith", 2},        {"abc1002", "Goldsmith", 4},  {"ABC1003", "O'Brien", 6},
    {"XYZ'01", "Per%cent", 1},      {"X_Z*02", "Under_score", 0}, {"[AB]3", "[Bracket]", -1},
    {"ÄÖÜ004", "Ölund", 5},         {"ß005", "Straße", 7},        {"İ006", "İnci", 2},
    {"ı007", "ıslak", 4},           {"Σ008", "ΣΊΣΥΦΟΣ", 3},       {"ǅ009", "ǆemal", 2},
    {"😀010", "Emoji😀", 4},         {"011", "", 2},               {"012", nullptr, 4},
    {"K\\014", "Back\\slash", 1},   {"ſ015", "ſtraſſe", 2},       {"ΜΆΪ016", "σοφός", 4},
};
// clang-format on

struct Search {
  QString hosp, surname;
  std::uint8_t mask;
};

class PatientSearchTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    RawStore raw(file());
    for (const Patient& p : kPatients) {
      raw.exec(quoteNames(QStringLiteral("INSERT INTO Patient (Hosp, SurN, Complete, NCourse) VALUES (?, ?, ?, 0)")),
               {QString::fromUtf8(p.hosp), p.surname ? QVariant(QString::fromUtf8(p.surname)) : QVariant(),
                p.status >= 0 ? QVariant(p.status) : QVariant()});
    }
  }

  // Row by row: the list's own tests without their whole-list form.
  static QStringList byRow(records::Store& d, const Search& s) {
    d.patients.setFiltered(false);
    d.statusMask = s.mask;
    d.patients.setFilter(records::patientSearchFilter(s.hosp, s.surname));
    if (s.mask == 7) {
      d.patients.setOnFilterRecord({});
    } else {
      d.patients.setOnFilterRecord([&d](const records::RowView& row) { return d.passesStatusMask(row); });
    }
    d.patients.setFiltered(true);
    return listed(d);
  }
  // As a search runs: through the index.
  static QStringList byIndex(records::Store& d, const Search& s) {
    d.findPatients(s.hosp, s.surname, s.mask);
    return listed(d);
  }
  // As the server answers it.
  static QStringList byServer(records::Store& d, const Search& s) {
    const records::SearchStatement st = records::patientSearchStatement(s.hosp, s.surname, s.mask);
    QStringList out;
    for (const auto& row : d.connection.query(st.sql, st.values, QStringLiteral("search"))) out << row[1].toString();
    return out;
  }

  void expectSame(records::Store& d, const std::vector<Search>& searches) {
    const bool server = d.connection.dialect().server;
    if (server) {
      ASSERT_TRUE(records::serverAnswersSearches(d.connection));
    }
    for (const Search& s : searches) {
      SCOPED_TRACE(
          QStringLiteral("NHI \"%1\", surname \"%2\", mask %3").arg(s.hosp, s.surname).arg(s.mask).toStdString());
      const QStringList expected = byRow(d, s);
      EXPECT_EQ(byIndex(d, s), expected);
      if (server && records::serverCanSearch(s.hosp, s.surname)) {
        EXPECT_EQ(byServer(d, s), expected);
      }
    }
  }

  // Typed texts from every stored name: prefixes of the NHIs and parts of the surnames, as stored,
  // in capitals and in small letters, with every status mask.
  static std::vector<Search> searchesOverNames() {
    std::vector<Search> out;
    for (std::uint8_t mask = 0; mask <= 7; ++mask) out.push_back({{}, {}, mask});
    for (const Patient& p : kPatients) {
      const QString hosp = QString::fromUtf8(p.hosp), surname = QString::fromUtf8(p.surname ? p.surname : "");
      for (const QString& h : {hosp.left(1), hosp.left(2), hosp.left(4).toUpper(), hosp.left(3).toLower(), hosp}) {
        for (std::uint8_t mask : {7, 1, 2, 6}) out.push_back({h, {}, mask});
      }
      for (const QString& part : {surname.mid(1, 2), surname.mid(1, 3).toUpper(), surname.toLower(), surname.left(1)}) {
        for (std::uint8_t mask : {7, 4, 3}) out.push_back({{}, part, mask});
        out.push_back({hosp.left(1), part, 7});
      }
    }
    // Quotes, wildcards and the escape character stand for themselves.
    for (const char* t :
         {"'", "%", "_", "*", "[", "\\", "%%", "_Z", "X_", "[AB", "O'B", "ss", "SS", "σ", "Σ", "ς", "s", "i", "I"}) {
      out.push_back({QString::fromUtf8(t), {}, 7});
      out.push_back({{}, QString::fromUtf8(t), 7});
    }
    return out;
  }

  // The search fuzzing corpus: the mask byte, then the NHI and the surname separated by a zero byte.
  static std::vector<Search> corpusSearches() {
    std::vector<Search> out;
    const QDir corpus(QStringLiteral(HALCYRA_SEARCH_CORPUS));
    for (const QString& name : corpus.entryList(QDir::Files, QDir::Name)) {
      QFile f(corpus.filePath(name));
      if (!f.open(QIODevice::ReadOnly)) continue;
      const QByteArray data = f.readAll();
      if (data.isEmpty()) continue;
      const QByteArray texts = data.mid(1);
      const qsizetype zero = texts.indexOf('\0');
      out.push_back({QString::fromUtf8(zero < 0 ? texts : texts.left(zero)),
                     zero < 0 ? QString() : QString::fromUtf8(texts.mid(zero + 1)),
                     static_cast<std::uint8_t>(data[0])});
    }
    EXPECT_GE(out.size(), 6u) << "the corpus " << HALCYRA_SEARCH_CORPUS << " was not found";
    return out;
  }
};

TEST_F(PatientSearchTest, RowByRowThroughTheIndexAndOnTheServerListTheSamePatients) {
  auto d = connect();
  expectSame(*d, searchesOverNames());
  expectSame(*d, corpusSearches());
}

// The patient with one NHI, letter case ignored (the legacy import and the tool find it so).
TEST_F(PatientSearchTest, TheWholeNhiRowByRowAndThroughTheIndex) {
  auto d = connect();
  for (const Patient& p : kPatients) {
    const QString hosp = QString::fromUtf8(p.hosp);
    for (const QString& h : {hosp, hosp.toUpper(), hosp.toLower(), hosp.chopped(1), hosp + u'0'}) {
      SCOPED_TRACE(h.toStdString());
      d->patients.setFiltered(false);
      d->patients.setFilter(records::patientNhiFilter(h));
      d->patients.setOnFilterRecord({});
      d->patients.setFiltered(true);
      const QStringList expected = listed(*d);
      d->listOnlyNhi(h);
      EXPECT_EQ(listed(*d), expected);
    }
  }
}

// The index follows every change: this copy's new patient, changed surname and status and
// removed patient, and another copy's new, changed and removed patients read at a re-read.
TEST_F(PatientSearchTest, TheIndexFollowsChangesOfBothCopies) {
  auto d = connect();
  const std::vector<Search> searches{{QStringLiteral("ab"), {}, 7},
                                     {{}, QStringLiteral("SMI"), 7},
                                     {{}, {}, 2},
                                     {{}, {}, 7},
                                     {QStringLiteral("q"), QStringLiteral("new"), 1}};
  expectSame(*d, searches);  // the index is built

  d->patients.setFiltered(false);
  d->patients.append();
  d->patientNhi.setString(QStringLiteral("QAB0001"));
  d->patientSurname.setString(QStringLiteral("Newsmith"));
  d->patientStatus.setInteger(2);
  d->patients.post();
  ASSERT_TRUE(d->patients.gotoBookmark({{QStringLiteral("abc1002")}}));
  d->patients.edit();
  d->patientSurname.setString(QStringLiteral("Renamed"));
  d->patientStatus.setInteger(1);
  d->patients.post();
  ASSERT_TRUE(d->patients.gotoBookmark({{QStringLiteral("ABC1003")}}));
  d->patients.deleteRow();
  expectSame(*d, searches);

  RawStore other(file());
  other.addPatient(QStringLiteral("QAB0002"), QStringLiteral("Othersmith"), 4);
  other.exec(quoteNames(QStringLiteral("UPDATE Patient SET SurN = 'Smithers', Complete = 2 WHERE Hosp = 'XYZ''01'")));
  other.exec(quoteNames(QStringLiteral("DELETE FROM Patient WHERE Hosp = 'ABC1001'")));
  d->patients.setFiltered(false);
  d->courses.close();
  d->patients.close();
  d->patients.open();  // "List": the other copy's changes read from the change journal
  d->courses.open();
  expectSame(*d, searches);
  EXPECT_EQ(byRow(*d, {QStringLiteral("QAB"), {}, 7}),
            (QStringList{QStringLiteral("QAB0001"), QStringLiteral("QAB0002")}));
  // The key index found the patients another copy added and lost the one it removed.
  EXPECT_TRUE(d->patients.gotoBookmark({{QStringLiteral("QAB0002")}}));
  EXPECT_FALSE(d->patients.gotoBookmark({{QStringLiteral("ABC1001")}}));
}

// A server database made by an earlier version, without the search's function and indexes, gets
// them when its owner connects, and then answers searches as a new one does.
TEST_F(PatientSearchTest, AnEarlierServerDatabaseGetsTheSearchWhenItsOwnerConnects) {
  if (!onServer()) GTEST_SKIP() << "only a server answers searches itself";
  {
    RawStore raw(file());
    raw.exec(QStringLiteral(
        "DROP INDEX \"PatientFoldedSurname\", \"PatientFoldedNHI\", \"PatientStatus\", \"PatientOrder\""));
    raw.exec(QStringLiteral("DROP FUNCTION halcyra_fold(text)"));
  }
  auto d = connect();
  ASSERT_TRUE(records::serverAnswersSearches(d->connection));
  RawStore raw(file());
  EXPECT_EQ(raw.scalar(QStringLiteral("SELECT COUNT(*) FROM pg_indexes WHERE tablename = 'Patient' AND indexname IN "
                                      "('PatientFoldedSurname', 'PatientFoldedNHI', 'PatientStatus', 'PatientOrder')"))
                .toInt(),
            4);
  expectSame(*d, {{QStringLiteral("abc"), {}, 7}, {{}, QStringLiteral("SMITH"), 6}, {{}, {}, 1}});
}

}  // namespace
