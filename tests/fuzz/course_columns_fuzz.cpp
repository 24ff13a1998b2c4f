// The packed columns of a course row, on any values another copy, an older copy or a damaged file
// may have left in them: the 29 treatment records, the 29 increments and the spots with their
// count, read through the store exactly as a course is opened, and the check of their forms that
// `halcyra-tool check` makes. The store keeps whatever type of value it is given in any column, so
// each column gets a null, a whole number, a real number, text or bytes. A row the check finds
// sound reads back exactly: its records pack into the very bytes stored, and it has as many spots
// as its count says.
//
// Input: for each of Burn, Condition, Temperature, Dose, WhenDate, TxTime, Initials, PInc, Spots,
// SpotsLength in turn, a type byte (its value modulo 5: null, integer, real, text, bytes) and then
// the value: 8 bytes little-endian for a number, a 16-bit little-endian length and that many bytes
// for text and bytes. Where the input ends, the remaining columns are null.

#include <sqlite3.h>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>

#include "FuzzSupport.h"
#include "diagram/CourseSpots.h"
#include "diagram/Spots.h"
#include "maintenance/PackedColumnsCheck.h"
#include "records/CourseRow.h"
#include "records/Database.h"
#include "records/Store.h"
#include "treatment/CourseColumns.h"

namespace {

constexpr const char* kColumns[] = {"Burn",   "Condition", "Temperature", "Dose",  "WhenDate",
                                    "TxTime", "Initials",  "PInc",        "Spots", "SpotsLength"};
constexpr int kColumnCount = 10;

class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool atEnd() const { return pos_ >= size_; }
  std::uint8_t byte() { return atEnd() ? 0 : data_[pos_++]; }
  std::uint64_t number() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(byte()) << (8 * i);
    return v;
  }
  std::pair<const char*, int> run() {
    const std::size_t wanted = byte() | std::size_t(byte()) << 8;
    const std::size_t n = std::min(wanted, size_ - std::min(pos_, size_));
    const auto* at = reinterpret_cast<const char*>(data_ + std::min(pos_, size_));
    pos_ += n;
    return {at, static_cast<int>(n)};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A store with one patient and one course, the data module reading it, and a second connection
// that writes the course row behind the module's back, as another copy would.
struct Store {
  QTemporaryDir dir;
  records::Store data;
  sqlite3* writer = nullptr;
  sqlite3_stmt* update = nullptr;

  Store() {
    const QString file = records::createDatabase(dir.path());
    fuzz::expect(sqlite3_open(QFile::encodeName(file).constData(), &writer) == SQLITE_OK, "the store opens");
    sqlite3_exec(writer,
                 "PRAGMA synchronous=OFF;"
                 "INSERT INTO Patient (Hosp, SurN, NCourse, Complete) VALUES ('FUZZ', 'Fuzz', 1, 2);"
                 "INSERT INTO Course (Hosp, CourseID) VALUES ('FUZZ', 1);",
                 nullptr, nullptr, nullptr);
    QByteArray sql = "UPDATE Course SET ";
    for (int i = 0; i < kColumnCount; ++i) sql += QByteArray(i ? ", " : "") + '"' + kColumns[i] + "\" = ?";
    sql += " WHERE Hosp = 'FUZZ' AND CourseID = 1";
    fuzz::expect(sqlite3_prepare_v2(writer, sql.constData(), -1, &update, nullptr) == SQLITE_OK, "the update prepares");
    data.connection.open(file);
    data.patients.open();
    data.courses.open();
    data.photos.open();
  }
  ~Store() {
    data.close();
    sqlite3_finalize(update);
    sqlite3_close(writer);
  }
};

Store& store() {
  static Store s;
  return s;
}

void bindColumn(sqlite3_stmt* update, int index, InputReader& in) {
  switch (in.byte() % 5) {
    case 0: sqlite3_bind_null(update, index); break;
    case 1: sqlite3_bind_int64(update, index, static_cast<sqlite3_int64>(in.number())); break;
    case 2: sqlite3_bind_double(update, index, std::bit_cast<double>(in.number())); break;
    case 3: {
      const auto [at, n] = in.run();
      sqlite3_bind_text(update, index, at, n, SQLITE_TRANSIENT);
      break;
    }
    default: {
      const auto [at, n] = in.run();
      sqlite3_bind_blob(update, index, at, n, SQLITE_TRANSIENT);
      break;
    }
  }
}

bool sameRecords(const std::array<TreatmentRecord, kTreatments>& a, const std::array<TreatmentRecord, kTreatments>& b) {
  for (std::size_t k = 0; k < a.size(); ++k) {
    const TreatmentRecord& x = a[k];
    const TreatmentRecord& y = b[k];
    if (x.burn != y.burn || x.response != y.response || x.time != y.time || x.Initials != y.Initials ||
        std::memcmp(&x.Temperature, &y.Temperature, sizeof x.Temperature) != 0 ||
        std::memcmp(&x.Dose, &y.Dose, sizeof x.Dose) != 0 || std::memcmp(&x.When, &y.When, sizeof x.When) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::ensureApplication();
  store();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Store& s = store();
  InputReader in(data, size);
  sqlite3_reset(s.update);
  for (int i = 0; i < kColumnCount; ++i) bindColumn(s.update, i + 1, in);
  fuzz::expect(sqlite3_step(s.update) == SQLITE_DONE, "the course row takes any value");

  records::Store& d = s.data;
  d.courses.reopen();
  fuzz::expect(d.courses.recordCount() == 1, "the course is listed");

  auto stored = [](const records::Field& f) { return f.isNull() ? std::nullopt : std::optional(f.asBytes()); };
  maintenance::PackedCourseColumns columns;
  columns.burn = stored(d.courseBurns);
  columns.response = stored(d.courseResponses);
  columns.Temperature = stored(d.courseTemperatures);
  columns.Dose = stored(d.courseDoses);
  columns.WhenDate = stored(d.courseDates);
  columns.TxTime = stored(d.courseTimes);
  columns.Initials = stored(d.courseInitials);
  columns.PInc = stored(d.courseIncrements);
  columns.Spots = stored(d.courseSpots);
  if (!d.courseSpotCount.isNull()) columns.SpotsLength = d.courseSpotCount.value().toLongLong();
  const bool sound = maintenance::packedColumnProblems(columns).isEmpty();

  if (const auto records = records::loadCourseRecords(d)) {
    // What was read packs into columns that read back as the same records.
    const treatment::TableColumns packed = treatment::packTable(*records);
    fuzz::expect(sameRecords(*records, treatment::unpackTable(packed)), "records read back as they were packed");
    for (const TreatmentRecord& r : *records) {
      fuzz::expect(r.time.size() <= treatment::kShortTime && r.Initials.size() <= treatment::kShortInitials,
                   "times and initials are never longer than their fields");
    }
    if (sound) {
      fuzz::expect(packed.burn == columns.burn && packed.response == columns.response &&
                       packed.Temperature == columns.Temperature && packed.Dose == columns.Dose &&
                       packed.WhenDate == columns.WhenDate && packed.TxTime == columns.TxTime &&
                       packed.Initials == columns.Initials,
                   "the records of a sound course pack into the bytes stored");
    }
  }
  if (const auto cells = records::loadCourseIncrements(d)) {
    // A stored 32767 shows as such, and is stored as an empty cell when the increments are next
    // saved, as the schedule stores a typed 32767: the schedule itself never writes it.
    treatment::IncrementTexts expected = *cells;
    for (QString& cell : expected) {
      if (cell == QLatin1String("32767")) cell.clear();
    }
    const treatment::IncrementTexts again = treatment::unpackIncrements(treatment::packIncrements(*cells));
    fuzz::expect(again == expected, "increments read back as they were packed");
  }
  if (const auto spots = diagram::loadCourseSpots(d)) {
    fuzz::expect(spots->size() <= static_cast<std::size_t>(diagram::kMaxStoredSpots),
                 "a damaged count never asks for more spots than a stored value can hold");
    if (sound) {
      fuzz::expect(static_cast<qint64>(spots->size()) == columns.SpotsLength.value_or(0) &&
                       diagram::packSpots(*spots) == columns.Spots,
                   "the spots of a sound course are the ones stored, as many as its count says");
    }
  }
  return 0;
}
