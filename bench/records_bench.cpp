// The patient store at department scale: 100,000 patients (or the number --patients gives) with 1
// to 4 courses each, the packed treatment columns filled, and a photograph in one course of every
// hundred.
//
// Every step a user waits for is timed through the data module on each engine, and beside it the
// plain query of that engine that fetches the same rows: the sqlite3 C interface on the same file
// with the same settings, or libpq on the same server database. The store file is generated once
// into records-bench-data/ beside this program (records-bench-data-N/ for another size, or the
// folder --data-dir names) and reused; with HALCYRA_BENCH_PG set to the URI of
// a server database, the same department is copied into it once (init-db and copy-db's code) and
// the server's benchmarks run too (their names end in /1). Rows a benchmark adds are removed again.
//
//   HALCYRA_BENCH_PG=postgresql://... records_bench [--patients N] [--data-dir DIR]
//       [--benchmark_filter=REGEX] [--benchmark_min_time=0.5]
//
// The server database must hold the department of the same size: one database per size.

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <malloc.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "audit/StoreAudit.h"
#include "base/JpegCodec.h"
#include "records/AuditChain.h"
#include "records/AuditTrail.h"
#include "records/Connection.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/PatientSearch.h"
#include "records/Store.h"
#include "records/StoreCopy.h"

namespace {

// The department's size and folder, from the command line.
int gPatients = 100000;
QString gDataDir;

// ---------------------------------------------------------------------------------------------
// A plain SQLite connection

class Raw {
 public:
  explicit Raw(const QString& file) {
    if (sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      throw std::runtime_error("cannot open " + file.toStdString());
    }
    sqlite3_busy_timeout(db_, 10000);
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=FULL");
  }
  ~Raw() {
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    sqlite3_close(db_);
  }
  void exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string text = error ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(std::string(sql) + ": " + text);
    }
  }
  sqlite3_stmt* stmt(const std::string& sql) {
    auto it = statements_.find(sql);
    if (it == statements_.end()) {
      sqlite3_stmt* s = nullptr;
      if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db_));
      }
      it = statements_.emplace(sql, s).first;
    }
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  // Steps through every row, touching every column as a reader would; returns the row count.
  int readAll(sqlite3_stmt* s) {
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      ++rows;
      for (int c = 0, n = sqlite3_column_count(s); c < n; ++c) {
        switch (sqlite3_column_type(s, c)) {
          case SQLITE_TEXT: benchmark::DoNotOptimize(sqlite3_column_text16(s, c)); break;
          case SQLITE_BLOB: benchmark::DoNotOptimize(sqlite3_column_blob(s, c)); break;
          case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(s, c)); break;
          default: benchmark::DoNotOptimize(sqlite3_column_int64(s, c)); break;
        }
      }
    }
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    sqlite3_reset(s);
    return rows;
  }
  void run(sqlite3_stmt* s) {
    if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    sqlite3_reset(s);
  }
  static void text(sqlite3_stmt* s, int i, const QString& v) {
    const QByteArray u = v.toUtf8();
    sqlite3_bind_text(s, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
  }
  static void bytes(sqlite3_stmt* s, int i, const QByteArray& v) {
    sqlite3_bind_blob(s, i, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*> statements_;
};

// ---------------------------------------------------------------------------------------------
// A plain libpq connection to the server database

class PgRaw {
 public:
  explicit PgRaw(const QString& uri) {
    conn_ = PQconnectdb(uri.toUtf8().constData());
    if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
  }
  ~PgRaw() { PQfinish(conn_); }
  // Runs a prepared statement with text parameters and touches every value it returns, in the
  // binary form the module reads too; returns the row count.
  int rows(const char* sql, std::initializer_list<QByteArray> params = {}) {
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) {
      // Appended rather than "s" + to_string(...): GCC 12 at -O3 warns falsely on the latter.
      std::string name = "s";
      name += std::to_string(prepared_.size());
      PGresult* r = PQprepare(conn_, name.c_str(), sql, 0, nullptr);
      check(r, sql);
      PQclear(r);
      it = prepared_.emplace(sql, name).first;
    }
    std::vector<const char*> values;
    for (const QByteArray& p : params) values.push_back(p.constData());
    PGresult* r =
        PQexecPrepared(conn_, it->second.c_str(), static_cast<int>(values.size()), values.data(), nullptr, nullptr, 1);
    check(r, sql);
    const int n = PQntuples(r);
    for (int i = 0; i < n; ++i) {
      for (int c = 0, m = PQnfields(r); c < m; ++c) benchmark::DoNotOptimize(PQgetvalue(r, i, c));
    }
    PQclear(r);
    return n;
  }
  void exec(const char* sql) {
    PGresult* r = PQexec(conn_, sql);
    check(r, sql);
    PQclear(r);
  }

 private:
  void check(PGresult* r, const char* sql) {
    const ExecStatusType s = PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
      const std::string text = std::string(sql) + ": " + PQerrorMessage(conn_);
      PQclear(r);
      throw std::runtime_error(text);
    }
  }
  PGconn* conn_;
  std::map<std::string, std::string> prepared_;
};

// ---------------------------------------------------------------------------------------------
// The generated department

QString dataDir() {
  if (!gDataDir.isEmpty()) return gDataDir;
  const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/records-bench-data");
  return gPatients == 100000 ? beside : beside + QStringLiteral("-%1").arg(gPatients);
}
QString dataFile() { return records::databasePath(dataDir()); }

struct Department {
  std::vector<QString> nhi;  // in the order the patients were added
  std::vector<QString> surname;
  QString photoHosp;  // a patient whose newest course has a photograph
  int photoCourse = 0;
};

QByteArray filled(int size, std::mt19937& rng) {
  QByteArray b(size, '\0');
  for (char& c : b) c = static_cast<char>(rng() & 0x3F);
  return b;
}

void generate(const QString& dir) {
  QDir().mkpath(dir);
  QFile::remove(records::databasePath(dir));
  records::createDatabase(dir);
  Raw raw(records::databasePath(dir));
  std::mt19937 rng(20240601);
  const char* first[] = {"Anna", "Ben",  "Chloe", "David", "Emma",   "Finn",  "Grace", "Hemi", "Isla", "Jack",
                         "Kiri", "Liam", "Mia",   "Noah",  "Olivia", "Priya", "Quinn", "Ruby", "Sam",  "Tane"};
  const char* syllables[] = {"Smi", "th",  "Wil", "son", "Tay", "lor", "Brow", "n",     "Ma", "cDo", "nald", "Ng",
                             "Pa",  "tel", "Ku",  "mar", "Te",  "Ra",  "wa",   "O'Bri", "en", "Lee", "Chen", "Wong",
                             "Ha",  "ri",  "Mor", "gan", "Tho", "mp",  "Kel",  "ly",    "Fa", "'a",  "lo",   "Ti"};
  const char* diagnoses[] = {"Psoriasis", "Vitiligo", "Eczema", "Pruritus", "PLE"};
  std::set<QString> used;
  std::uniform_int_distribution<int> letter(0, 25), digit(0, 9999), syllable(0, 35), courses(1, 4);

  QImage picture(320, 240, QImage::Format_RGB32);
  {
    QPainter p(&picture);
    QLinearGradient g(0, 0, 320, 240);
    g.setColorAt(0, QColor(230, 180, 160));
    g.setColorAt(1, QColor(150, 90, 80));
    p.fillRect(picture.rect(), g);
  }
  const QByteArray photo = jpeg::encode(picture, 90);

  raw.exec("BEGIN");
  sqlite3_stmt* patient = raw.stmt(
      "INSERT INTO Patient (Hosp, Birth, WorkPh, MEMOs, NCourse, Eyes, Hair, SkinC, Complete, FirstN, SecN, SurN,"
      " HomePh, CellPh, Lang, FHistory) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16)");
  sqlite3_stmt* course = raw.stmt(
      "INSERT INTO Course (Hosp, CourseID, DateAssess, Old, ComDiag, ComReason, ComCondition, EdLong, RadioPrevRx,"
      " MemoMeds, EdMed, SkinIndex, SpotsLength, Spots, Condition, TxTime, Dose, WhenDate, Initials, Temperature,"
      " PInc, Consultant, Cautions, Complete, Burn, Sched)"
      " VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17,?18,?19,?20,?21,?22,?23,?24,?25,?26)");
  sqlite3_stmt* image =
      raw.stmt("INSERT INTO Imagedb (Hosp, CourseID, WhenDate, JpegImage, NoteMemo) VALUES (?1,?2,?3,?4,?5)");
  for (int i = 0; i < gPatients; ++i) {
    QString nhi;
    do {
      nhi = QStringLiteral("%1%2%3%4")
                .arg(QChar(u'A' + letter(rng)))
                .arg(QChar(u'A' + letter(rng)))
                .arg(QChar(u'A' + letter(rng)))
                .arg(digit(rng), 4, 10, QChar(u'0'));
    } while (!used.insert(nhi).second);
    QString surname;
    for (int s = 0, n = 2 + static_cast<int>(rng() % 2); s < n; ++s)
      surname += QString::fromUtf8(syllables[syllable(rng)]);
    const int n = courses(rng);
    const bool lastDone = rng() % 10 < 3;
    const int status = (n > 1 || lastDone ? 4 : 0) | (lastDone ? 0 : 2);

    Raw::text(patient, 1, nhi);
    sqlite3_bind_double(patient, 2, 15000 + rng() % 25000);
    Raw::text(patient, 3, QStringLiteral("09 %1").arg(rng() % 10000000));
    Raw::text(patient, 4, QStringLiteral("%1 Harbour View Road, Mount Eden, Auckland 1024").arg(rng() % 300));
    sqlite3_bind_int(patient, 5, n);
    sqlite3_bind_int(patient, 6, static_cast<int>(rng() % 4));
    sqlite3_bind_int(patient, 7, static_cast<int>(rng() % 5));
    sqlite3_bind_int(patient, 8, static_cast<int>(rng() % 4));
    sqlite3_bind_int(patient, 9, status);
    Raw::text(patient, 10, QString::fromUtf8(first[rng() % 20]));
    Raw::text(patient, 11, QString::fromUtf8(first[rng() % 20]));
    Raw::text(patient, 12, surname.left(20));
    Raw::text(patient, 13, QStringLiteral("09 %1").arg(rng() % 10000000));
    Raw::text(patient, 14, QStringLiteral("021 %1").arg(rng() % 1000000));
    sqlite3_bind_int(patient, 15, 2);
    Raw::text(patient, 16, QStringLiteral("none known"));
    raw.run(patient);

    for (int c = 1; c <= n; ++c) {
      Raw::text(course, 1, nhi);
      sqlite3_bind_int(course, 2, c);
      sqlite3_bind_double(course, 3, 43000 + rng() % 2000 + 0.4);
      sqlite3_bind_double(course, 4, 20 + rng() % 60 + 0.5);
      Raw::text(course, 5, QString::fromUtf8(diagnoses[rng() % 5]));
      Raw::text(course, 6, QStringLiteral("NB UVB"));
      sqlite3_bind_int(course, 7, static_cast<int>(rng() % 4));
      Raw::text(course, 8, QStringLiteral("%1 years").arg(rng() % 30));
      sqlite3_bind_int(course, 9, static_cast<int>(rng() % 2));
      Raw::text(course, 10, QStringLiteral("Calcipotriol ointment daily; emollients"));
      sqlite3_bind_int(course, 11, 200 + static_cast<int>(rng() % 400));
      sqlite3_bind_int(course, 12, static_cast<int>(rng() % 7));
      sqlite3_bind_int(course, 13, 20);
      Raw::bytes(course, 14, filled(80, rng));   // Spots
      Raw::bytes(course, 15, filled(29, rng));   // Condition
      Raw::bytes(course, 16, filled(120, rng));  // TxTime
      Raw::bytes(course, 17, filled(116, rng));  // Dose
      Raw::bytes(course, 18, filled(116, rng));  // WhenDate
      Raw::bytes(course, 19, filled(90, rng));   // Initials
      Raw::bytes(course, 20, filled(116, rng));  // Temperature
      Raw::bytes(course, 21, filled(58, rng));   // PInc
      Raw::text(course, 22, QStringLiteral("Dr R. Whitcombe"));
      sqlite3_bind_int(course, 23, static_cast<int>(rng() % 64));
      sqlite3_bind_int(course, 24, c < n || lastDone ? 1 : 0);
      Raw::bytes(course, 25, filled(29, rng));  // Burn
      sqlite3_bind_int(course, 26, static_cast<int>(rng() % 4));
      raw.run(course);
    }
    if (i % 50000 == 49999) {  // a million patients in one transaction would grow the log by gigabytes
      raw.exec("COMMIT");
      raw.exec("BEGIN");
    }
    if (i % 100 == 50) {
      Raw::text(image, 1, nhi);
      sqlite3_bind_int(image, 2, n);
      sqlite3_bind_double(image, 3, 44000);
      Raw::bytes(image, 4, photo);
      Raw::text(image, 5, QStringLiteral("left elbow"));
      raw.run(image);
    }
  }
  raw.exec("COMMIT");
  raw.exec("PRAGMA wal_checkpoint(TRUNCATE)");
  QFile marker(dir + QStringLiteral("/complete"));
  marker.open(QIODevice::WriteOnly);
}

Department& department() {
  static Department d = [] {
    if (!QFile::exists(dataDir() + QStringLiteral("/complete"))) generate(dataDir());
    Department dep;
    Raw raw(dataFile());
    sqlite3_stmt* s = raw.stmt("SELECT Hosp, SurN FROM Patient ORDER BY rowid");
    while (sqlite3_step(s) == SQLITE_ROW) {
      dep.nhi.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))));
      dep.surname.push_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 1))));
    }
    sqlite3_reset(s);
    s = raw.stmt("SELECT Hosp, CourseID FROM Imagedb ORDER BY ImageID LIMIT 1 OFFSET 500");
    if (sqlite3_step(s) == SQLITE_ROW) {
      dep.photoHosp = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
      dep.photoCourse = sqlite3_column_int(s, 1);
    }
    sqlite3_reset(s);
    return dep;
  }();
  return d;
}

// The server database of the benchmarks, or nothing.
QString serverUri() { return qEnvironmentVariable("HALCYRA_BENCH_PG"); }

// Puts the generated department into the server database, once: the tables if it has none, then
// every row copied from the store file.
void prepareServer() {
  if (serverUri().isEmpty()) return;
  records::Connection server;
  try {
    records::openStore(server, serverUri());
  } catch (const records::DataError&) {
    records::createDatabase(serverUri());
    records::openStore(server, serverUri());
  }
  if (!server.query(QStringLiteral("SELECT 1 FROM \"Patient\" LIMIT 1"), {}, QStringLiteral("look")).empty()) return;
  records::Connection file;
  file.open(dataFile());
  records::copyStore(file, server);
  server.exec(QStringLiteral("ANALYZE"), QStringLiteral("analyze"));
}

enum Engine { kFile = 0, kServer = 1 };

// The program's data module on the department's database of an engine, opened once as at start-up.
records::Store& module(int engine) {
  static records::Store* data[2] = {nullptr, nullptr};
  if (!data[engine]) {
    department();
    auto* m = new records::Store;
    if (m->open(engine == kServer ? serverUri() : dataDir()) != records::Store::ConnectResult::Connected)
      throw std::runtime_error("no database");
    data[engine] = m;
  }
  return *data[engine];
}

// Skips a server benchmark when no server database is named.
bool engineMissing(benchmark::State& state, int engine) {
  if (engine == kServer && serverUri().isEmpty()) {
    state.SkipWithError("HALCYRA_BENCH_PG names no server database");
    return true;
  }
  return false;
}

Raw& raw() {
  static Raw r(dataFile());
  return r;
}

PgRaw& pg() {
  static PgRaw r(serverUri());
  return r;
}

// "List": every table read anew, no filter, the first patient current.
void backToList(records::Store& m) {
  m.photos.close();
  m.courses.close();
  m.patients.close();
  m.patients.setFiltered(false);
  m.patients.open();
  m.courses.open();
  m.photos.open();
}

// Opens the patient with this NHI and its newest course, as a search and a click would.
void openPatient(records::Store& m, const QString& nhi) {
  m.findPatients(nhi, QString(), 7);
  m.courses.last();
}

// Another copy of the program writes: it changes three patients and a course, so every snapshot
// in this one is out of date.
void anotherCopyWrites(int engine) {
  static int n = 0;
  const QString phone = QStringLiteral("09 %1").arg(++n % 100000);
  for (int k : {17, 40017, 80017}) {
    const QString& nhi = department().nhi[static_cast<std::size_t>(k % gPatients)];
    if (engine == kServer) {
      pg().rows("UPDATE \"Patient\" SET \"WorkPh\" = $1 WHERE \"Hosp\" = $2", {phone.toUtf8(), nhi.toUtf8()});
    } else {
      sqlite3_stmt* s = raw().stmt("UPDATE Patient SET WorkPh = ?1 WHERE Hosp = ?2");
      Raw::text(s, 1, phone);
      Raw::text(s, 2, nhi);
      raw().run(s);
    }
  }
  if (engine == kServer) {
    pg().rows("UPDATE \"Course\" SET \"ComReason\" = $1 WHERE \"Hosp\" = $2 AND \"CourseID\" = 1",
              {phone.toUtf8(), department().nhi[0].toUtf8()});
  } else {
    sqlite3_stmt* s = raw().stmt("UPDATE Course SET ComReason = ?1 WHERE rowid = 1");
    Raw::text(s, 1, phone);
    raw().run(s);
  }
}

void removeAdded(int engine) {
  if (engine == kServer) {
    pg().exec("DELETE FROM \"Course\" WHERE \"Hosp\" ~ '^Q[0-9]'");
    pg().exec("DELETE FROM \"Patient\" WHERE \"Hosp\" ~ '^Q[0-9]'");
    return;
  }
  raw().exec("DELETE FROM Course WHERE Hosp GLOB 'Q[0-9]*'");
  raw().exec("DELETE FROM Patient WHERE Hosp GLOB 'Q[0-9]*'");
}

// ---------------------------------------------------------------------------------------------
// Finding patients as the user types

// Prefixes of one NHI, then of the next, as keystrokes.
QString nthPrefix(int k, const std::vector<QString>& words) {
  const QString& w = words[static_cast<std::size_t>((k / 8) * 7919 % static_cast<int>(words.size()))];
  return w.left(1 + k % std::min<qsizetype>(w.size(), 8));
}

void BM_FindPatients_TypingNhi(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  int k = 0;
  for (auto _ : state) {
    m.findPatients(nthPrefix(k++, department().nhi), QString(), 7);
    benchmark::DoNotOptimize(m.patients.recordCount());
  }
}
void BM_Raw_FindPatients_TypingNhi(benchmark::State& state) {
  sqlite3_stmt* s = raw().stmt("SELECT Hosp, SurN, Complete FROM Patient WHERE Hosp LIKE ?1 || '%' ORDER BY rowid");
  int k = 0;
  for (auto _ : state) {
    sqlite3_reset(s);
    Raw::text(s, 1, nthPrefix(k++, department().nhi));
    benchmark::DoNotOptimize(raw().readAll(s));
  }
}

void BM_FindPatients_TypingSurname(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  int k = 0;
  for (auto _ : state) {
    m.findPatients(QString(), nthPrefix(k++, department().surname), 7);
    benchmark::DoNotOptimize(m.patients.recordCount());
  }
}
void BM_Raw_FindPatients_TypingSurname(benchmark::State& state) {
  sqlite3_stmt* s =
      raw().stmt("SELECT Hosp, SurN, Complete FROM Patient WHERE SurN LIKE '%' || ?1 || '%' ORDER BY rowid");
  int k = 0;
  for (auto _ : state) {
    sqlite3_reset(s);
    Raw::text(s, 1, nthPrefix(k++, department().surname));
    benchmark::DoNotOptimize(raw().readAll(s));
  }
}

constexpr std::uint8_t kMasks[] = {6, 5, 3, 1, 2, 4, 7};

void BM_FindPatients_StatusBoxes(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  int k = 0;
  for (auto _ : state) {
    m.findPatients(QString(), QString(), kMasks[k++ % 7]);
    benchmark::DoNotOptimize(m.patients.recordCount());
  }
}
void BM_Raw_FindPatients_StatusBoxes(benchmark::State& state) {
  sqlite3_stmt* s = raw().stmt(
      "SELECT Hosp, SurN, Complete FROM Patient WHERE Complete > 0 AND (?1 = 7 OR (Complete & ?1) != 0) ORDER BY "
      "rowid");
  int k = 0;
  for (auto _ : state) {
    sqlite3_reset(s);
    sqlite3_bind_int(s, 1, kMasks[k++ % 7]);
    benchmark::DoNotOptimize(raw().readAll(s));
  }
}

// ---------------------------------------------------------------------------------------------
// Writing

void BM_AddPatientAndCourse(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  static int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const QString nhi = QStringLiteral("Q%1").arg(++n, 6, 10, QChar(u'0'));
    m.findPatients(nhi, QString(), 7);  // the search that matched nobody
    state.ResumeTiming();
    m.addPatient(nhi, QStringLiteral("Newcomer"), records::Store::AfterAdd::KeepCourse);  // as Select adds
    m.addCourse();
  }
  removeAdded(engine);  // after the timed loop
  backToList(m);
}
// The audit entry the store keeps with each row written, the least a plain version writes too: the
// trail's head and the clock read, the entry's hash worked out, the entry added after the newest
// (the file's triggers move the head).
void rawEntry(const QString& table, const QString& nhi, const QVariant& courseId, const char* action,
              const char* changes) {
  sqlite3_stmt* head =
      raw().stmt("SELECT \"AuditID\", \"Hash\", strftime('%Y-%m-%dT%H:%M:%fZ', 'now') FROM \"AuditHead\"");
  if (sqlite3_step(head) != SQLITE_ROW) throw std::runtime_error("the audit trail has no head");
  std::vector<QVariant> entry(records::auditTable().columns.size());
  entry[0] = static_cast<qlonglong>(sqlite3_column_int64(head, 0)) + 1;
  const QString previous = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(head, 1)));
  entry[1] = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(head, 2)));
  sqlite3_reset(head);
  entry[2] = entry[3] = QStringLiteral("bench");
  entry[4] = QStringLiteral("records_bench");
  entry[5] = table;
  entry[6] = nhi;
  entry[7] = courseId;
  entry[9] = QString::fromLatin1(action);
  entry[10] = QString::fromUtf8(changes);
  const QString hash = records::auditHash(previous, entry);
  sqlite3_stmt* insert = raw().stmt(
      "INSERT INTO \"Audit\" (\"AuditID\", \"WhenUTC\", \"Account\", \"Workstation\", \"Program\", \"TableName\", "
      "\"Hosp\", "
      "\"CourseID\", \"Action\", \"Changes\", \"Hash\") VALUES (?1, ?2, 'bench', 'bench', 'records_bench', ?3, ?4, ?5, "
      "?6, ?7, ?8)");
  sqlite3_bind_int64(insert, 1, entry[0].toLongLong());
  Raw::text(insert, 2, entry[1].toString());
  Raw::text(insert, 3, table);
  Raw::text(insert, 4, nhi);
  if (courseId.isNull()) {
    sqlite3_bind_null(insert, 5);
  } else {
    sqlite3_bind_int64(insert, 5, courseId.toLongLong());
  }
  Raw::text(insert, 6, entry[9].toString());
  Raw::text(insert, 7, entry[10].toString());
  Raw::text(insert, 8, hash);
  raw().run(insert);
}

void BM_Raw_AddPatientAndCourse(benchmark::State& state) {
  static int n = 500000;
  sqlite3_stmt* addPatient =
      raw().stmt("INSERT INTO Patient (Hosp, SurN, FirstN, SecN, NCourse, Lang) VALUES (?1, ?2, '', '', 0, 2)");
  sqlite3_stmt* count = raw().stmt("UPDATE Patient SET NCourse = NCourse + 1 WHERE Hosp = ?1");
  sqlite3_stmt* addCourse = raw().stmt("INSERT INTO Course (Hosp, CourseID, DateAssess) VALUES (?1, 1, 45000.5)");
  sqlite3_stmt* scan = raw().stmt("SELECT Complete FROM Course WHERE Hosp = ?1");
  sqlite3_stmt* status = raw().stmt("UPDATE Patient SET Complete = 2 WHERE Hosp = ?1");
  sqlite3_stmt* begin = raw().stmt("BEGIN IMMEDIATE");
  sqlite3_stmt* commit = raw().stmt("COMMIT");
  for (auto _ : state) {
    const QString nhi = QStringLiteral("Q%1").arg(++n, 6, 10, QChar(u'0'));
    for (sqlite3_stmt* s : {addPatient, count, addCourse, scan, status}) {
      sqlite3_reset(s);
      Raw::text(s, 1, nhi);
    }
    Raw::text(addPatient, 2, QStringLiteral("Newcomer"));
    // Each row with its entry: the patient in one transaction, its course in another.
    const auto run = [](sqlite3_stmt* s) {
      sqlite3_reset(s);
      raw().run(s);
    };
    run(begin);
    run(addPatient);
    rawEntry(QStringLiteral("Patient"), nhi, {}, "added", "SurN: \"Newcomer\"; NCourse: 0; Lang: 2");
    run(commit);
    run(begin);
    run(count);
    rawEntry(QStringLiteral("Patient"), nhi, {}, "changed", "NCourse: 0 -> 1");
    run(addCourse);
    rawEntry(QStringLiteral("Course"), nhi, 1, "added", "DateAssess: 2023-03-15 12:00:00");
    benchmark::DoNotOptimize(raw().readAll(scan));
    run(status);
    rawEntry(QStringLiteral("Patient"), nhi, {}, "changed", "Complete: null -> 2");
    run(commit);
  }
  removeAdded(kFile);
}

void BM_StoreCourseStatus(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  openPatient(m, department().nhi[4242]);
  for (auto _ : state) m.storeCourseStatus();
}
void BM_Raw_StoreCourseStatus(benchmark::State& state) {
  sqlite3_stmt* scan = raw().stmt("SELECT Complete FROM Course WHERE Hosp = ?1");
  sqlite3_stmt* store = raw().stmt("UPDATE Patient SET Complete = ?2 WHERE Hosp = ?1");
  const QString nhi = department().nhi[4242];
  for (auto _ : state) {
    sqlite3_reset(scan);
    Raw::text(scan, 1, nhi);
    benchmark::DoNotOptimize(raw().readAll(scan));
    sqlite3_reset(store);
    Raw::text(store, 1, nhi);
    sqlite3_bind_int(store, 2, 6);
    raw().run(store);
  }
}

// ---------------------------------------------------------------------------------------------
// Re-reading

// arg 0: nothing changed since the last read; 1: another copy wrote just before. arg 1: the engine.
void BM_Reread_Patient(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(1));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  openPatient(m, department().nhi[4242]);
  for (auto _ : state) {
    if (state.range(0)) {
      state.PauseTiming();
      anotherCopyWrites(engine);
      state.ResumeTiming();
    }
    m.reread(m.patients);
  }
}
void BM_Raw_ReadPatientList(benchmark::State& state) {
  sqlite3_stmt* s = raw().stmt("SELECT Hosp, SurN, Complete FROM Patient ORDER BY rowid");
  for (auto _ : state) benchmark::DoNotOptimize(raw().readAll(s));
}

void BM_Reread_Course(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  openPatient(m, department().nhi[4242]);
  for (auto _ : state) m.reread(m.courses);
}
void BM_Raw_Reread_Course(benchmark::State& state) {
  sqlite3_stmt* s = raw().stmt("SELECT * FROM Course WHERE Hosp = ?1 ORDER BY CourseID");
  for (auto _ : state) {
    sqlite3_reset(s);
    Raw::text(s, 1, department().nhi[4242]);
    benchmark::DoNotOptimize(raw().readAll(s));
  }
}

void BM_Reread_Image(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  openPatient(m, department().photoHosp);
  if (m.photos.isEmpty()) state.SkipWithError("no photograph in the course");
  for (auto _ : state) m.reread(m.photos);
}
void BM_Raw_Reread_Image(benchmark::State& state) {
  sqlite3_stmt* s = raw().stmt("SELECT * FROM Imagedb WHERE Hosp = ?1 AND CourseID = ?2 ORDER BY ImageID");
  for (auto _ : state) {
    sqlite3_reset(s);
    Raw::text(s, 1, department().photoHosp);
    sqlite3_bind_int(s, 2, department().photoCourse);
    benchmark::DoNotOptimize(raw().readAll(s));
  }
}

// "List" after another copy wrote: all three tables closed and read anew (arg 1), or with the store
// unchanged since this copy last read it (arg 0). arg 1: the engine.
void BM_List(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(1));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  for (auto _ : state) {
    if (state.range(0)) {
      state.PauseTiming();
      anotherCopyWrites(engine);
      state.ResumeTiming();
    }
    backToList(m);
    benchmark::DoNotOptimize(m.patients.recordCount());
  }
}
void BM_Raw_List(benchmark::State& state) {
  sqlite3_stmt* patients = raw().stmt("SELECT Hosp, SurN, Complete FROM Patient ORDER BY rowid");
  sqlite3_stmt* courses = raw().stmt("SELECT * FROM Course WHERE Hosp = ?1 ORDER BY CourseID");
  sqlite3_stmt* images = raw().stmt("SELECT * FROM Imagedb WHERE Hosp = ?1 AND CourseID = 1 ORDER BY ImageID");
  for (auto _ : state) {
    benchmark::DoNotOptimize(raw().readAll(patients));
    for (sqlite3_stmt* s : {courses, images}) {
      sqlite3_reset(s);
      Raw::text(s, 1, department().nhi[0]);
      benchmark::DoNotOptimize(raw().readAll(s));
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Opening a patient's newest course: a click on a row of the patient list, the course cursor to
// the last course, and every column of both rows read as the window fills itself.

void readRow(const records::DataSet& table) {
  for (int c = 0; c < static_cast<int>(table.table().columns.size()); ++c) benchmark::DoNotOptimize(table.value(c));
}

void BM_OpenNewestCourse(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  std::mt19937 rng(7);
  for (auto _ : state) {
    m.patients.setRecNo(1 + static_cast<int>(rng() % gPatients));
    m.courses.last();
    readRow(m.patients);
    readRow(m.courses);
    benchmark::DoNotOptimize(m.photos.recordCount());
  }
}
void BM_Raw_OpenNewestCourse(benchmark::State& state) {
  sqlite3_stmt* patient = raw().stmt("SELECT * FROM Patient WHERE rowid = ?1");
  sqlite3_stmt* course = raw().stmt("SELECT * FROM Course WHERE Hosp = ?1 ORDER BY CourseID DESC LIMIT 1");
  sqlite3_stmt* images = raw().stmt("SELECT * FROM Imagedb WHERE Hosp = ?1 AND CourseID = ?2 ORDER BY ImageID");
  std::mt19937 rng(7);
  for (auto _ : state) {
    const int row = 1 + static_cast<int>(rng() % gPatients);
    sqlite3_reset(patient);
    sqlite3_bind_int(patient, 1, row);
    benchmark::DoNotOptimize(raw().readAll(patient));
    const QString& nhi = department().nhi[static_cast<std::size_t>(row - 1)];
    sqlite3_reset(course);
    Raw::text(course, 1, nhi);
    int last = 0;
    while (sqlite3_step(course) == SQLITE_ROW) {
      last = sqlite3_column_int(course, 1);
      for (int c = 0; c < sqlite3_column_count(course); ++c) benchmark::DoNotOptimize(sqlite3_column_blob(course, c));
    }
    sqlite3_reset(images);
    Raw::text(images, 1, nhi);
    sqlite3_bind_int(images, 2, last);
    benchmark::DoNotOptimize(raw().readAll(images));
  }
}

// ---------------------------------------------------------------------------------------------
// Memory: every patient listed, and every row of the list shown once (as scrolling the whole grid
// would). Reports the process's peak resident memory.

void BM_ListEveryPatientAndScroll(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  for (auto _ : state) {
    const int n = m.patients.recordCount();
    for (int r = 1; r <= n; ++r) {
      for (int c = 0; c < 16; ++c) benchmark::DoNotOptimize(m.patients.valueAt(r, c));
    }
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["patients"] = m.patients.recordCount();
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// ---------------------------------------------------------------------------------------------
// Start-up: the data module connected as the window does (the list read on a thread of its own),
// until the list is in and Select can act; and the memory the module holds then.

double residentMB() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

void BM_StartUntilListIn(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  department();
  const QString location = engine == kServer ? serverUri() : dataDir();
  double held = 0;
  for (auto _ : state) {
    const double before = residentMB();
    auto m = std::make_unique<records::Store>();
    if (m->open(location, records::Store::ListRead::InBackground) != records::Store::ConnectResult::Connected)
      throw std::runtime_error("no database");
    m->awaitList();
    benchmark::DoNotOptimize(m->patients.recordCount());
    state.PauseTiming();
    held = residentMB() - before;
    m.reset();
    malloc_trim(0);
    state.ResumeTiming();
  }
  state.counters["module_MB"] = held;
}

// Start-up until the window is usable: the data module connected as the window does, the list's
// read begun on its thread, and the patient with a whole NHI opened as Select opens it before the
// list is in (the patient by the unique index, its newest course, its photographs). Counters: the
// time until the list was in (list_in_ms, from the start), the pause of the window's thread when
// it takes the list over under the open patient (takeover_ms), and the memory the module holds then.
void BM_StartUntilUsable(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  const QString location = engine == kServer ? serverUri() : dataDir();
  double held = 0, listIn = 0, takeover = 0;
  int k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const QString& nhi = department().nhi[static_cast<std::size_t>((k++ * 7919 + 13) % gPatients)];
    const double before = residentMB();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    auto m = std::make_unique<records::Store>();
    if (m->open(location, records::Store::ListRead::InBackground) != records::Store::ConnectResult::Connected)
      throw std::runtime_error("no database");
    bool done = false;
    QObject::connect(m.get(), &records::Store::listReadDone, [&done] { done = true; });
    QCoreApplication::processEvents();  // the read begins, as it does once the window is up
    if (!m->openPatientEarly(nhi)) throw std::runtime_error("the patient did not open early");
    m->courses.last();
    benchmark::DoNotOptimize(m->courseAssessed.value());
    benchmark::DoNotOptimize(m->photos.recordCount());
    state.PauseTiming();
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    listIn = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const auto taking = std::chrono::steady_clock::now();
    m->awaitList();
    takeover = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - taking).count();
    if (m->patientNhi.asString() != nhi) throw std::runtime_error("the open patient moved");
    held = residentMB() - before;
    m.reset();
    malloc_trim(0);
    state.ResumeTiming();
  }
  state.counters["list_in_ms"] = listIn;
  state.counters["takeover_ms"] = takeover;
  state.counters["module_MB"] = held;
}

// The first Select on a new NHI after "List", with another copy's writes in between (arg 1) or
// none (arg 0): the search for the NHI and the patient found in the list. arg 1: the engine.
void BM_SelectAfterList(benchmark::State& state) {
  const bool othersWrote = state.range(0) != 0;
  const int engine = static_cast<int>(state.range(1));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  int k = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (othersWrote) anotherCopyWrites(engine);
    backToList(m);
    const QString& nhi = department().nhi[static_cast<std::size_t>((k++ * 7919 + 13) % gPatients)];
    state.ResumeTiming();
    m.findPatients(nhi, QString(), 7);
    m.courses.last();
    m.addPatient(nhi, QString(), records::Store::AfterAdd::KeepCourse);  // lifts the filter, keeps the patient
    benchmark::DoNotOptimize(m.patients.recNo());
  }
}

// A page of the patient grid: 40 rows from a random place in the unfiltered list, every column.
void BM_ListPage(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  records::Store& m = module(engine);
  backToList(m);
  std::mt19937 rng(11);
  const int n = m.patients.recordCount();
  for (auto _ : state) {
    const int from = 1 + static_cast<int>(rng() % static_cast<unsigned>(std::max(1, n - 40)));
    for (int r = from; r < from + 40 && r <= n; ++r) {
      for (int c = 0; c < 16; ++c) benchmark::DoNotOptimize(m.patients.valueAt(r, c));
    }
  }
}

// The server answering the search itself: the one indexed statement the list's search becomes on
// a server (records/PatientSearch.h), through the module's connection, as the keystrokes above.
// arg: 0 NHI prefixes, 1 surname parts, 2 status masks.
void BM_ServerSearchStatement(benchmark::State& state) {
  if (engineMissing(state, kServer)) return;
  records::Store& m = module(kServer);
  const int kind = static_cast<int>(state.range(0));
  int k = 0;
  std::size_t rows = 0, runs = 0;
  for (auto _ : state) {
    const records::SearchStatement st =
        kind == 0   ? records::patientSearchStatement(nthPrefix(k, department().nhi), QString(), 7)
        : kind == 1 ? records::patientSearchStatement(QString(), nthPrefix(k, department().surname), 7)
                    : records::patientSearchStatement(QString(), QString(), kMasks[k % 7]);
    ++k;
    rows += m.connection.query(st.sql, st.values, QStringLiteral("search")).size();
    ++runs;
  }
  state.counters["rows"] = runs ? static_cast<double>(rows) / static_cast<double>(runs) : 0;
}

// ---------------------------------------------------------------------------------------------
// The same steps as plain libpq queries on the server database

#define SERVER_OR_SKIP \
  if (engineMissing(state, kServer)) return

void BM_Pg_FindPatients_TypingNhi(benchmark::State& state) {
  SERVER_OR_SKIP;
  int k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        pg().rows("SELECT \"Hosp\", \"SurN\", \"Complete\" FROM \"Patient\" WHERE \"Hosp\" LIKE $1 || '%' "
                  "ORDER BY \"InsertOrder\"",
                  {nthPrefix(k++, department().nhi).toUtf8()}));
  }
}
void BM_Pg_FindPatients_TypingSurname(benchmark::State& state) {
  SERVER_OR_SKIP;
  int k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        pg().rows("SELECT \"Hosp\", \"SurN\", \"Complete\" FROM \"Patient\" WHERE \"SurN\" LIKE '%' || $1 || '%' "
                  "ORDER BY \"InsertOrder\"",
                  {nthPrefix(k++, department().surname).toUtf8()}));
  }
}
void BM_Pg_FindPatients_StatusBoxes(benchmark::State& state) {
  SERVER_OR_SKIP;
  int k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        pg().rows("SELECT \"Hosp\", \"SurN\", \"Complete\" FROM \"Patient\" WHERE \"Complete\" > 0 AND "
                  "($1::int = 7 OR (\"Complete\" & $1::int) != 0) ORDER BY \"InsertOrder\"",
                  {QByteArray::number(kMasks[k++ % 7])}));
  }
}
void BM_Pg_AddPatientAndCourse(benchmark::State& state) {
  SERVER_OR_SKIP;
  static int n = 500000;
  for (auto _ : state) {
    const QByteArray nhi = QStringLiteral("Q%1").arg(++n, 6, 10, QChar(u'0')).toUtf8();
    // The patient in one transaction, its course in another; the server's triggers write each
    // row's audit entry, whoever writes the row.
    pg().exec("BEGIN");
    pg().rows(
        "INSERT INTO \"Patient\" (\"Hosp\", \"SurN\", \"FirstN\", \"SecN\", \"NCourse\", \"Lang\") "
        "VALUES ($1, 'Newcomer', '', '', 0, 2)",
        {nhi});
    pg().exec("COMMIT");
    pg().exec("BEGIN");
    pg().rows("SELECT \"NCourse\" FROM \"Patient\" WHERE \"Hosp\" = $1 FOR UPDATE", {nhi});
    pg().rows("UPDATE \"Patient\" SET \"NCourse\" = \"NCourse\" + 1 WHERE \"Hosp\" = $1", {nhi});
    pg().rows("INSERT INTO \"Course\" (\"Hosp\", \"CourseID\", \"DateAssess\") VALUES ($1, 1, 45000.5)", {nhi});
    pg().rows("SELECT \"Complete\" FROM \"Course\" WHERE \"Hosp\" = $1", {nhi});
    pg().rows("UPDATE \"Patient\" SET \"Complete\" = 2 WHERE \"Hosp\" = $1", {nhi});
    pg().exec("COMMIT");
  }
  removeAdded(kServer);
}
void BM_Pg_StoreCourseStatus(benchmark::State& state) {
  SERVER_OR_SKIP;
  const QByteArray nhi = department().nhi[4242].toUtf8();
  for (auto _ : state) {
    pg().exec("BEGIN");
    pg().rows("SELECT 1 FROM \"Patient\" WHERE \"Hosp\" = $1 FOR UPDATE", {nhi});
    pg().rows("SELECT \"Complete\" FROM \"Course\" WHERE \"Hosp\" = $1", {nhi});
    pg().rows("UPDATE \"Patient\" SET \"Complete\" = 6 WHERE \"Hosp\" = $1", {nhi});
    pg().exec("COMMIT");
  }
}
void BM_Pg_ReadPatientList(benchmark::State& state) {
  SERVER_OR_SKIP;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        pg().rows("SELECT \"Hosp\", \"SurN\", \"Complete\" FROM \"Patient\" ORDER BY \"InsertOrder\""));
  }
}
void BM_Pg_Reread_Course(benchmark::State& state) {
  SERVER_OR_SKIP;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pg().rows("SELECT * FROM \"Course\" WHERE \"Hosp\" = $1 ORDER BY \"CourseID\"",
                                       {department().nhi[4242].toUtf8()}));
  }
}
void BM_Pg_Reread_Image(benchmark::State& state) {
  SERVER_OR_SKIP;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        pg().rows("SELECT * FROM \"Imagedb\" WHERE \"Hosp\" = $1 AND \"CourseID\" = $2 ORDER BY \"ImageID\"",
                  {department().photoHosp.toUtf8(), QByteArray::number(department().photoCourse)}));
  }
}
// What a re-read after another copy's writes needs at the least: the changed patients' rows.
void BM_Pg_ReadChangedPatients(benchmark::State& state) {
  SERVER_OR_SKIP;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        pg().rows("SELECT \"InsertOrder\", \"Hosp\", \"SurN\", \"Complete\" FROM \"Patient\" "
                  "WHERE \"Hosp\" IN ($1, $2, $3)",
                  {department().nhi[17].toUtf8(), department().nhi[40017].toUtf8(), department().nhi[80017].toUtf8()}));
  }
}
void BM_Pg_OpenNewestCourse(benchmark::State& state) {
  SERVER_OR_SKIP;
  std::mt19937 rng(7);
  for (auto _ : state) {
    const QByteArray nhi = department().nhi[static_cast<std::size_t>(rng() % gPatients)].toUtf8();
    pg().rows("SELECT * FROM \"Patient\" WHERE \"Hosp\" = $1", {nhi});
    pg().rows("SELECT * FROM \"Course\" WHERE \"Hosp\" = $1 ORDER BY \"CourseID\" DESC LIMIT 1", {nhi});
    pg().rows("SELECT * FROM \"Imagedb\" WHERE \"Hosp\" = $1 AND \"CourseID\" = 1 ORDER BY \"ImageID\"", {nhi});
  }
}

// ---------------------------------------------------------------------------------------------
// The department audit: every course's NHI, number, skin type, Complete and four treatment
// columns read a page at a time and counted (audit::auditStore, as halcyra-tool service-audit and
// the window's dialog do), beside the plain query that reads the same columns of every course in
// one statement. The generated department's treatment dates all lie in 1899-1900 and its codes
// are random, so the period below holds every recorded row: the most counting an audit can do.

const audit::Period kEveryTreatment{QDate(1899, 12, 30), QDate(1900, 12, 31)};

void BM_DepartmentAudit(benchmark::State& state) {
  const int engine = static_cast<int>(state.range(0));
  if (engineMissing(state, engine)) return;
  department();
  records::Connection store;
  records::openStore(store, engine == kServer ? serverUri() : dataDir());
  qint64 courses = 0;
  for (auto _ : state) {
    const std::optional<audit::Figures> f = audit::auditStore(store, kEveryTreatment, 100);
    courses = f ? f->coursesRead : 0;
    benchmark::DoNotOptimize(f);
  }
  state.counters["courses"] = static_cast<double>(courses);
}
void BM_Raw_ReadAuditColumns(benchmark::State& state) {
  sqlite3_stmt* s =
      raw().stmt("SELECT Hosp, CourseID, SkinIndex, Complete, Condition, Burn, Dose, WhenDate FROM Course");
  for (auto _ : state) benchmark::DoNotOptimize(raw().readAll(s));
}
void BM_Pg_ReadAuditColumns(benchmark::State& state) {
  SERVER_OR_SKIP;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        pg().rows("SELECT \"Hosp\", \"CourseID\", \"SkinIndex\", \"Complete\", \"Condition\", "
                  "\"Burn\", \"Dose\", \"WhenDate\" FROM \"Course\""));
  }
}

// Module steps: the last argument is the engine (0 the store file, 1 the server).
BENCHMARK(BM_FindPatients_TypingNhi)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_FindPatients_TypingNhi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_FindPatients_TypingNhi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPatients_TypingSurname)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_FindPatients_TypingSurname)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_FindPatients_TypingSurname)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPatients_StatusBoxes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_FindPatients_StatusBoxes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_FindPatients_StatusBoxes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddPatientAndCourse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_AddPatientAndCourse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_AddPatientAndCourse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreCourseStatus)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_StoreCourseStatus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_StoreCourseStatus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reread_Patient)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_ReadPatientList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_ReadPatientList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_ReadChangedPatients)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reread_Course)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_Reread_Course)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_Reread_Course)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reread_Image)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_Reread_Image)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_Reread_Image)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenNewestCourse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_OpenNewestCourse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_OpenNewestCourse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_List)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_List)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUntilListIn)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUntilUsable)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectAfterList)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerSearchStatement)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListEveryPatientAndScroll)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepartmentAudit)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw_ReadAuditColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pg_ReadAuditColumns)->Unit(benchmark::kMillisecond);

}  // namespace

// Takes --patients N and --data-dir DIR (or --patients=N, --data-dir=DIR) out of the arguments.
bool takeOwnArguments(int& argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    QString value;
    QString name;
    for (const char* own : {"--patients", "--data-dir"}) {
      const QString o = QString::fromLatin1(own);
      if (a == o && i + 1 < argc) {
        name = o;
        value = QString::fromLocal8Bit(argv[++i]);
      } else if (a.startsWith(o + u'=')) {
        name = o;
        value = a.mid(o.size() + 1);
      }
    }
    if (name == QLatin1String("--patients")) {
      bool ok = false;
      gPatients = value.toInt(&ok);
      if (!ok || gPatients < 1000 || gPatients > 10000000) {
        std::fprintf(stderr, "records_bench: --patients takes a whole number from 1000 to 10000000, not \"%s\"\n",
                     qPrintable(value));
        return false;
      }
    } else if (name == QLatin1String("--data-dir")) {
      gDataDir = QDir(value).absolutePath();
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
  return true;
}

int main(int argc, char** argv) {
  if (!takeOwnArguments(argc, argv)) return 2;
  QCoreApplication app(argc, argv);  // Qt SQL wants an application object
  benchmark::Initialize(&argc, argv);
  benchmark::AddCustomContext("patients", std::to_string(gPatients));
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  department();  // generate the database before anything is timed
  prepareServer();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
