// The patient list's search, on any typed texts and any status mask, over a small store whose
// names hold quotes, wildcards, letters outside ASCII and letters that change length or meaning
// when their case changes. The search never crashes; typing one more character never lists a
// patient the shorter text did not; a status mask never lists a patient that every status does
// not; and the filter's shown text gives back exactly what was typed.
//
// Input: the mask byte, then the NHI text and the surname text (UTF-8, however malformed)
// separated by a zero byte.

#include <sqlite3.h>
#include <QSet>
#include <QTemporaryDir>

#include "FuzzSupport.h"
#include "records/Database.h"
#include "records/PatientFilter.h"
#include "records/Store.h"

namespace {

struct Patient {
  const char* hosp;
  const char* surname;  // nullptr: never written
  int status;           // -1: never computed
};

// UTF-8 source text.
// clang-format off
const Patient kPatients[] = {
    {"ABC1001", "Smith", 2},        {"abc1002", "Goldsmith", 4},  {"ABC1003", "O'Brien", 6},
    {"XYZ'01", "Per%cent", 1},      {"X_Z*02", "Under_score", 0}, {"[AB]3", "[Bracket]", -1},
    {"ÄÖÜ004", "Ölund", 5},         {"ß005", "Straße", 7},        {"İ006", "İnci", 2},
    {"ı007", "ıslak", 4},           {"Σ008", "ΣΊΣΥΦΟΣ", 3},       {"ǅ009", "ǆemal", 2},
    {"😀010", "Emoji😀", 4},         {"011", "", 2},               {"012", nullptr, 4},
    {"", "Empty NHI", 2},           {"  013", "  Blank", 6},      {"K\\014", "Back\\slash", 1},
};
// clang-format on

struct Store {
  QTemporaryDir dir;
  records::Store data;

  Store() {
    const QString file = records::createDatabase(dir.path());
    sqlite3* raw = nullptr;
    fuzz::expect(sqlite3_open(QFile::encodeName(file).constData(), &raw) == SQLITE_OK, "the store opens");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw, "INSERT INTO Patient (Hosp, SurN, Complete, NCourse) VALUES (?, ?, ?, 0)", -1, &insert,
                       nullptr);
    for (const Patient& p : kPatients) {
      sqlite3_reset(insert);
      sqlite3_bind_text(insert, 1, p.hosp, -1, SQLITE_STATIC);
      if (p.surname)
        sqlite3_bind_text(insert, 2, p.surname, -1, SQLITE_STATIC);
      else
        sqlite3_bind_null(insert, 2);
      if (p.status >= 0)
        sqlite3_bind_int(insert, 3, p.status);
      else
        sqlite3_bind_null(insert, 3);
      fuzz::expect(sqlite3_step(insert) == SQLITE_DONE, "the patients are stored");
    }
    sqlite3_finalize(insert);
    sqlite3_close(raw);
    data.connection.open(file);
    data.patients.open();
    data.courses.open();
    data.photos.open();
  }
  ~Store() { data.close(); }
};

Store& store() {
  static Store s;
  return s;
}

// The NHIs the list shows after a search, walking it as the grid does, and back to where it was.
QSet<QString> listed(records::Store& d, const QString& hosp, const QString& surname, std::uint8_t mask) {
  d.findPatients(hosp, surname, mask);
  QSet<QString> out;
  const int count = d.patients.recordCount();
  const records::Bookmark here = d.patients.bookmark();
  int walked = 0;
  for (d.patients.first(); !d.patients.eof(); d.patients.next()) {
    out.insert(d.patientNhi.asString());
    ++walked;
  }
  fuzz::expect(walked == count, "walking the list meets as many patients as it counts");
  if (here.isValid()) fuzz::expect(d.patients.gotoBookmark(here), "the list returns to its current patient");
  return out;
}

// Reads back the typed text from the shown filter "(Hosp LIKE 'text*' )": quotes are doubled.
QString typedNhi(const QString& shown) {
  const QString start = QStringLiteral("(Hosp LIKE '");
  if (!shown.startsWith(start)) return {};
  QString text;
  for (qsizetype i = start.size(); i < shown.size(); ++i) {
    if (shown[i] == u'\'') {
      if (i + 1 < shown.size() && shown[i + 1] == u'\'') {
        text += u'\'';
        ++i;
        continue;
      }
      return text.endsWith(u'*') ? text.chopped(1) : QString();
    }
    text += shown[i];
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ensureApplication();
  store();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mask = data[0];
  const QByteArray texts = fuzz::bytesOf(data + 1, size - 1);
  const qsizetype zero = texts.indexOf('\0');
  const QString hosp = QString::fromUtf8(zero < 0 ? texts : texts.left(zero));
  const QString surname = zero < 0 ? QString() : QString::fromUtf8(texts.mid(zero + 1));

  records::Store& d = store().data;
  const QSet<QString> found = listed(d, hosp, surname, mask);
  fuzz::expect(found.size() <= static_cast<qsizetype>(std::size(kPatients)), "a search lists stored patients only");
  if (mask != 7) fuzz::expect(listed(d, hosp, surname, 7).contains(found), "a status mask only narrows the list");
  if (hosp.size() > 1 || (hosp.size() == 1 && !surname.isEmpty())) {
    fuzz::expect(listed(d, hosp.chopped(1), surname, mask).contains(found),
                 "one more typed character never lists a patient the shorter text did not");
  }
  if (!hosp.isEmpty()) {
    fuzz::expect(typedNhi(records::patientSearchText(hosp, surname)) == hosp,
                 "the shown filter gives back the typed NHI text");
  }
  return 0;
}
