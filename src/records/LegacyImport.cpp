#include "records/LegacyImport.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <exception>
#include <functional>

#include "base/Formats.h"
#include "records/DataError.h"
#include "records/Store.h"
#include "records/VarBytes.h"
#include "treatment/ClinicalLimits.h"
#include "treatment/CourseColumns.h"

namespace records {
namespace {

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

QString what(const std::exception& e) {
  if (const auto* data = dynamic_cast<const DataError*>(&e)) return data->message();
  return QString::fromUtf8(e.what());
}

// While a file is stored, a new patient takes its first name from the file and has no second
// name, whatever the window's name boxes hold; the data module's own hooks come back afterwards.
class FileNames {
 public:
  FileNames(records::Store& data, const QString& first)
      : data_(data), first_(std::move(data.firstName)), second_(std::move(data.secondName)) {
    data.firstName = [first] { return first; };
    data.secondName = [] { return QString(); };
  }
  ~FileNames() {
    data_.firstName = std::move(first_);
    data_.secondName = std::move(second_);
  }
  FileNames(const FileNames&) = delete;
  FileNames& operator=(const FileNames&) = delete;

 private:
  records::Store& data_;
  std::function<QString()> first_, second_;
};

// An edit the user left open is saved before the file's transaction begins, so that a refusal of
// the file never takes the user's own change with it.
void postPendingEdits(records::Store& data) {
  for (DataSet* table : {&data.patients, &data.courses, &data.photos}) {
    if (table->state() == DataSet::State::Edit || table->state() == DataSet::State::Insert) table->post();
  }
}

// The patient and the course of one checked file; the caller holds the transaction.
void writeRows(records::Store& data, LegacyImport& im) {
  const FileNames names(data, im.names.first);
  // Read the patient list anew if another copy changed it: the look-up must neither miss a patient
  // another copy added nor find one it deleted. Nobody can change it now until the commit.
  data.patients.close();
  data.patients.open();
  data.listOnlyNhi(im.key);
  im.newPatient = data.patients.isEmpty();
  data.addPatient(im.key, im.names.surname);
  data.addCourse();
  im.hosp = data.patientNhi.asString();

  data.courses.edit();
  if (std::isfinite(im.file.modified)) data.courseAssessed.setDateTime(im.file.modified);
  const std::optional<double> age = im.file.ageYears();
  if (age && std::isfinite(*age)) data.courseAge.setFloat(*age);
  data.courseDuration.setString(cutToWidth(im.file.duration, data.courseDuration.size()));
  data.courseSkinType.setInteger(im.file.skinType - 1);
  data.courseMed.setInteger(im.med);
  // The increments as the "% Inc" cells would hold them, packed as the schedule stores its cells.
  treatment::IncrementTexts cells;
  for (int k = 0; k < kTreatments; ++k) {
    cells[static_cast<std::size_t>(k)] = fmt::D(im.file.increments[static_cast<std::size_t>(k)]);
  }
  SaveVarBytes(data.courseIncrements, treatment::packIncrements(cells));
  data.courseFinished.setBoolean(true);
  data.courses.post();
  im.courseId = data.courseNumber.asInteger();
  data.storeCourseStatus();
}

// After a refusal: nothing of the file stays in the store, and the cursors, whose snapshots still
// show what was written before the refusal, read the store anew (the rollback makes every snapshot
// count as out of date). Returns a problem met on the way, or an empty text.
QString undo(records::Store& data, const Bookmark& before) {
  for (DataSet* table : {&data.photos, &data.courses, &data.patients}) table->cancel();
  data.connection.rollback();
  try {
    data.photos.close();
    data.courses.close();
    data.patients.close();
    data.patients.setFiltered(false);
    data.patients.open();
    data.courses.open();
    data.photos.open();
    data.patients.gotoBookmark(before);
  } catch (const std::exception& e) {
    return what(e);
  }
  return {};
}

}  // namespace

LegacyImport checkLegacyFile(const QString& path) { return checkLegacyRead(path, readLegacyFile(path)); }

LegacyImport checkLegacyRead(const QString& path, LegacyRead read) {
  LegacyImport im;
  im.path = path;
  if (!read.ok()) {
    im.reason = read.problem;
    return im;
  }
  im.file = std::move(read.patient);
  im.key = legacyPatientKey(im.file.nhi);
  if (im.key.size() > kLongestNhi) {
    im.reason = QStringLiteral(
                    "%1: the NHI \"%2\" (field 2) has %3 characters, more than the %4 an NHI can have. "
                    "Correct the NHI in the file, or enter this patient by hand.")
                    .arg(shown(path), im.key)
                    .arg(im.key.size())
                    .arg(kLongestNhi);
    return im;
  }
  const std::optional<std::int32_t> med = im.file.wholeMed();
  if (!med) {
    im.reason = QStringLiteral(
                    "%1: the MED \"%2\" (field 6) is not a whole number of mJ/cm2. Correct the MED in "
                    "the file, or enter this course by hand.")
                    .arg(shown(path), im.file.med);
    return im;
  }
  // The values the course takes must be possible for a patient, as when typed in the window.
  const auto outside = [&](const limits::Limit& limit, double value, const QString& shownValue, const QString& what,
                           const char* field) {
    const limits::Problem problem = limits::problemOf(limit, value);
    if (problem == limits::Problem::None) return false;
    im.reason = QStringLiteral("%1: %2 It is %3 of the file: correct it there, or enter this course by hand.")
                    .arg(shown(path), limits::problemText(limit, shownValue, problem, what), QLatin1String(field));
    return true;
  };
  if (outside(limits::kMed, *med, im.file.med, {}, "field 6")) return im;
  if (const std::optional<double> age = im.file.ageYears();
      age && outside(limits::kAge, *age, im.file.age, {}, "field 3"))
    return im;
  for (int row = 1; row <= kTreatments; ++row) {
    const std::int32_t inc = im.file.increments[static_cast<std::size_t>(row - 1)];
    if (outside(limits::incrementLimit(row), inc, fmt::D(inc), QStringLiteral("\"% Inc\" of treatment %1").arg(row),
                "field 7"))
      return im;
  }
  im.med = *med;
  im.names = splitFullName(im.file.fullName);
  im.status = LegacyImport::Status::Checked;
  return im;
}

void storeLegacyImport(records::Store& data, LegacyImport& im) {
  if (im.status != LegacyImport::Status::Checked) return;
  Bookmark before;
  try {
    data.patients.checkActive();
    postPendingEdits(data);
    before = data.patients.bookmark();
    // One transaction for the whole file. On the store file the write lock is taken at once
    // (waiting for another copy's writes like any write), so the file's rows cannot be refused
    // half-way because another copy wrote in between; on a server the rows it reads to write
    // back are locked as it reads them.
    data.connection.begin(QStringLiteral("start storing the file"));
  } catch (const std::exception& e) {
    im.status = LegacyImport::Status::Skipped;
    im.reason = QStringLiteral("%1: nothing was stored: %2").arg(shown(im.path), what(e));
    return;
  }
  try {
    writeRows(data, im);
    data.connection.commit(QStringLiteral("store the file's patient and course"));
  } catch (const std::exception& e) {
    im.status = LegacyImport::Status::Skipped;
    im.hosp.clear();
    im.courseId = 0;
    im.newPatient = false;
    im.reason = QStringLiteral("%1: the database refused the file's rows, and none of them was kept: %2")
                    .arg(shown(im.path), what(e));
    const QString problem = undo(data, before);
    if (!problem.isEmpty()) im.reason += QStringLiteral(" Reading the database again failed as well: ") + problem;
    return;
  }
  im.status = LegacyImport::Status::Imported;
}

LegacyImport importLegacyFile(records::Store& data, const QString& path) {
  LegacyImport im = checkLegacyFile(path);
  storeLegacyImport(data, im);
  return im;
}

QString legacyFileLine(const QString& path, int index) {
  return QFileInfo(path).fileName() + QStringLiteral("   ") + fmt::D(index);
}

QString legacySkipLine(const LegacyImport& import) { return QStringLiteral("   skipped: ") + import.reason; }

QString legacySummaryLine(int imported, int skipped) {
  auto files = [](int n) { return fmt::D(n) + (n == 1 ? QStringLiteral(" file") : QStringLiteral(" files")); };
  return QStringLiteral("Import finished: %1 imported, %2 skipped.").arg(files(imported), files(skipped));
}

}  // namespace records
