#include "records/LegacyImport.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <exception>
#include <functional>

#include "base/Formats.h"
#include "records/Data.h"
#include "records/DataError.h"
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
  FileNames(TDataPatient& data, const QString& first)
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
  TDataPatient& data_;
  std::function<QString()> first_, second_;
};

// An edit the user left open is saved before the file's transaction begins, so that a refusal of
// the file never takes the user's own change with it.
void postPendingEdits(TDataPatient& data) {
  for (DataSet* table : {&data.ADOPatient, &data.ADOCourse, &data.ADOImage}) {
    if (table->state() == DataSet::State::Edit || table->state() == DataSet::State::Insert) table->post();
  }
}

// The patient and the course of one checked file; the caller holds the transaction.
void writeRows(TDataPatient& data, LegacyImport& im) {
  const FileNames names(data, im.names.first);
  // Read the patient list anew if another copy changed it: the look-up must neither miss a patient
  // another copy added nor find one it deleted. Nobody can change it now until the commit.
  data.ADOPatient.close();
  data.ADOPatient.open();
  data.FilterPatientByNHI(im.key);
  im.newPatient = data.ADOPatient.isEmpty();
  data.AddPatient(im.key, im.names.surname);
  data.Addcourse();
  im.hosp = data.ADOPatientHosp.asString();

  data.ADOCourse.edit();
  if (std::isfinite(im.file.modified)) data.ADOCourseDateAssess.setDateTime(im.file.modified);
  const std::optional<double> age = im.file.ageYears();
  if (age && std::isfinite(*age)) data.ADOCourseOld.setFloat(*age);
  data.ADOCourseEdLong.setString(cutToWidth(im.file.duration, data.ADOCourseEdLong.size()));
  data.ADOCourseSkinIndex.setInteger(im.file.skinType - 1);
  data.ADOCourseEdMed.setInteger(im.med);
  // The increments as the "% Inc" cells would hold them, packed as the schedule stores its cells.
  treatment::IncrementTexts cells;
  for (int k = 0; k < kTreatments; ++k) {
    cells[static_cast<std::size_t>(k)] = fmt::D(im.file.increments[static_cast<std::size_t>(k)]);
  }
  SaveVarBytes(data.ADOCoursePInc, treatment::packIncrements(cells));
  data.ADOCourseComplete.setBoolean(true);
  data.ADOCourse.post();
  im.courseId = data.ADOCourseCourseID.asInteger();
  data.Patient_Complete();
}

// After a refusal: nothing of the file stays in the store, and the cursors, whose snapshots still
// show what was written before the refusal, read the store anew (the rollback makes every snapshot
// count as out of date). Returns a problem met on the way, or an empty text.
QString undo(TDataPatient& data, const Bookmark& before) {
  for (DataSet* table : {&data.ADOImage, &data.ADOCourse, &data.ADOPatient}) table->cancel();
  data.ADOCon.rollback();
  try {
    data.ADOImage.close();
    data.ADOCourse.close();
    data.ADOPatient.close();
    data.ADOPatient.setFiltered(false);
    data.ADOPatient.open();
    data.ADOCourse.open();
    data.ADOImage.open();
    data.ADOPatient.gotoBookmark(before);
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

void storeLegacyImport(TDataPatient& data, LegacyImport& im) {
  if (im.status != LegacyImport::Status::Checked) return;
  Bookmark before;
  try {
    data.ADOPatient.checkActive();
    postPendingEdits(data);
    before = data.ADOPatient.bookmark();
    // One transaction for the whole file. On the store file the write lock is taken at once
    // (waiting for another copy's writes like any write), so the file's rows cannot be refused
    // half-way because another copy wrote in between; on a server the rows it reads to write
    // back are locked as it reads them.
    data.ADOCon.begin(QStringLiteral("start storing the file"));
  } catch (const std::exception& e) {
    im.status = LegacyImport::Status::Skipped;
    im.reason = QStringLiteral("%1: nothing was stored: %2").arg(shown(im.path), what(e));
    return;
  }
  try {
    writeRows(data, im);
    data.ADOCon.commit(QStringLiteral("store the file's patient and course"));
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

LegacyImport importLegacyFile(TDataPatient& data, const QString& path) {
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
