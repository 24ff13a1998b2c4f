#include "records/Store.h"

#include <QFileInfo>

#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "records/DataError.h"
#include "records/Database.h"
#include "records/PatientFilter.h"

using records::DataError;
using records::DataSet;

namespace {

// JPEG quality of stored photographs.
constexpr int kPhotographQuality = 90;
// Longest surname addPatient passes on; longer ones are logged and cut.
constexpr int kLongestSurname = 29;

// Posts the cursor's new or changed row; if the store refuses, the row is dropped so that the
// cursor is not left half-way in an edit that a later move would try to post again.
void postOrDrop(DataSet& table) {
  try {
    table.post();
  } catch (...) {
    table.cancel();
    throw;
  }
}

}  // namespace

records::Store::Store(QObject* parent)
    : QObject(parent),
      patients(connection, records::patientTable()),
      courses(connection, records::courseTable()),
      photos(connection, records::imageTable()),
      patientNhi(patients, QStringLiteral("Hosp")),
      patientBirth(patients, QStringLiteral("Birth")),
      patientWorkPhone(patients, QStringLiteral("WorkPh")),
      patientAddress(patients, QStringLiteral("MEMOs")),
      patientCourseCount(patients, QStringLiteral("NCourse")),
      patientEyes(patients, QStringLiteral("Eyes")),
      patientHair(patients, QStringLiteral("Hair")),
      patientSkinColour(patients, QStringLiteral("SkinC")),
      patientStatus(patients, QStringLiteral("Complete")),
      patientFirstName(patients, QStringLiteral("FirstN")),
      patientSecondName(patients, QStringLiteral("SecN")),
      patientSurname(patients, QStringLiteral("SurN")),
      patientHomePhone(patients, QStringLiteral("HomePh")),
      patientMobilePhone(patients, QStringLiteral("CellPh")),
      patientLanguage(patients, QStringLiteral("Lang")),
      patientFamilyHistory(patients, QStringLiteral("FHistory")),
      courseNhi(courses, QStringLiteral("Hosp")),
      courseNumber(courses, QStringLiteral("CourseID")),
      courseAssessed(courses, QStringLiteral("DateAssess")),
      courseAge(courses, QStringLiteral("Old")),
      courseDiagnosis(courses, QStringLiteral("ComDiag")),
      courseTreatmentType(courses, QStringLiteral("ComReason")),
      courseListedSkinType(courses, QStringLiteral("ComSkinType")),
      courseAppearance(courses, QStringLiteral("ComCondition")),
      courseDuration(courses, QStringLiteral("EdLong")),
      coursePreviousTreatment(courses, QStringLiteral("RadioPrevRx")),
      coursePreviousResult(courses, QStringLiteral("EdRxResult")),
      courseMedication(courses, QStringLiteral("MemoMeds")),
      courseHistory(courses, QStringLiteral("MemoOps")),
      courseMed(courses, QStringLiteral("EdMed")),
      courseSkinType(courses, QStringLiteral("SkinIndex")),
      courseSpotCount(courses, QStringLiteral("SpotsLength")),
      courseSpots(courses, QStringLiteral("Spots")),
      courseResponses(courses, QStringLiteral("Condition")),
      courseTimes(courses, QStringLiteral("TxTime")),
      courseDoses(courses, QStringLiteral("Dose")),
      courseDates(courses, QStringLiteral("WhenDate")),
      courseInitials(courses, QStringLiteral("Initials")),
      courseTemperatures(courses, QStringLiteral("Temperature")),
      courseIncrements(courses, QStringLiteral("PInc")),
      courseTherapist(courses, QStringLiteral("Consultant")),
      courseReferrer(courses, QStringLiteral("Referal")),
      courseCautions(courses, QStringLiteral("Cautions")),
      courseFinished(courses, QStringLiteral("Complete")),
      courseBurns(courses, QStringLiteral("Burn")),
      courseFrequency(courses, QStringLiteral("Sched")),
      photoNhi(photos, QStringLiteral("Hosp")),
      photoCourse(photos, QStringLiteral("CourseID")),
      photoId(photos, QStringLiteral("ImageID")),
      photoDate(photos, QStringLiteral("WhenDate")),
      photoJpeg(photos, QStringLiteral("JpegImage")),
      photoNote(photos, QStringLiteral("NoteMemo")) {
  courses.setMaster(patients, {QStringLiteral("Hosp")});
  photos.setMaster(courses, {QStringLiteral("Hosp"), QStringLiteral("CourseID")});
  connect(&photos, &DataSet::afterScroll, this, &records::Store::photographMoved);
}

records::Store::~Store() { close(); }

records::Store::ConnectResult records::Store::open(const QString& location, ListRead read) {
  close();
  const records::StoreLocation where = records::parseStoreLocation(location);
  if (where.kind == records::StoreLocation::Kind::None) return ConnectResult::NoDirectory;
  if (where.isServer()) {
    connection.open(where, passwordPrompt);
  } else {
    const QString file = records::databasePath(location);
    if (!QFileInfo::exists(file)) return ConnectResult::NoDatabase;
    connection.open(file);
  }
  if (read == ListRead::InBackground) {
    listReader_ = std::make_unique<records::ListReader>(connection.login(), patients.table());
    connect(listReader_.get(), &records::ListReader::finished, this, &records::Store::listReadDone);
    return ConnectResult::Connected;
  }
  afterConnect();
  return ConnectResult::Connected;
}

void records::Store::awaitList() {
  if (!listReader_) return;
  const std::unique_ptr<records::ListReader> reader = std::move(listReader_);
  // Rows the reader could not read are read here again, so that the store's refusal is reported
  // as it is when the tables open.
  if (std::optional<records::ListSnapshot> rows = reader->take()) {
    patients.adoptList(std::move(*rows));
  } else if (patients.active()) {
    patients.adoptList({});  // open on one patient: it stays so, and reads the list when it needs it
  }
  afterConnect();
}

bool records::Store::openPatientEarly(const QString& nhi) {
  if (!listReader_ || nhi.isEmpty()) return false;
  if (patients.awaitingList()) {
    // Opened early before and back in the list (a Select the store refused): open anew.
    photos.close();
    courses.close();
    patients.close();
  }
  if (patients.active()) return false;
  QVariantList keys{nhi};
  for (const QString& other : {nhi.toUpper(), nhi.toLower()}) {
    if (!keys.contains(other)) keys << other;
  }
  try {
    if (!patients.openOnFirstOf(keys)) return false;
    courses.open();
    photos.open();
  } catch (const DataError&) {
    photos.close();
    courses.close();
    patients.close();
    throw;
  }
  return true;
}

void records::Store::afterConnect() {
  try {
    patients.open();
    courses.open();
    photos.open();
  } catch (const DataError& e) {
    close();
    throw DataError(e.message() + QStringLiteral(" Choose another database directory, or create a new database "
                                                 "in an empty one."));
  }
  // Updates find their row by its key columns alone (the cursors always work so): a row that
  // another copy changed meanwhile is still updated.
}

void records::Store::close() {
  listReader_.reset();  // waits for a read in progress: its rows are of no use any more
  photos.close();
  courses.close();
  patients.close();
  connection.close();
}

void records::Store::reread(DataSet& table) { table.reopen(); }

void records::Store::findPatients(const QString& Hosp, const QString& Pat, std::uint8_t Msk) {
  patients.checkActive();
  patients.setFiltered(false);
  statusMask = Msk;
  patients.setFilter(records::patientSearchFilter(Hosp, Pat), records::patientSearchText(Hosp, Pat),
                     records::patientSearchRows(Hosp, Pat));
  if (Msk == 7) {
    patients.setOnFilterRecord({});
  } else {
    patients.setOnFilterRecord([this](const records::RowView& row) { return passesStatusMask(row); },
                               records::patientStatusRows(Msk));
  }
  patients.setFiltered(true);
}

bool records::Store::passesStatusMask(const records::RowView& row) const {
  return records::acceptPatientStatus(row.whole(patientStatus.index()), statusMask);
}

void records::Store::listOnlyNhi(const QString& Hosp) {
  patients.checkActive();
  patients.setFiltered(false);
  patients.setFilter(records::patientNhiFilter(Hosp), records::patientNhiText(Hosp), records::patientNhiRows(Hosp));
  patients.setOnFilterRecord({});
  patients.setFiltered(true);
}

void records::Store::addPatient(const QString& Hosp, const QString& Pat, AfterAdd after) {
  if (patients.isEmpty()) {
    patients.close();
    patients.open();
    patients.last();
    patients.append();
    try {
      patientNhi.setString(Hosp);
      QString surname = Pat;
      if (surname.size() > kLongestSurname) {
        if (log) log(QStringLiteral("Patient name tooo long ") + surname);
        surname.truncate(kLongestSurname);
      }
      patientSurname.setString(surname);
      patientFirstName.setString(firstName ? firstName() : QString());
      patientSecondName.setString(secondName ? secondName() : QString());
      patientCourseCount.setInteger(0);
      patientLanguage.setInteger(2);  // "English"
    } catch (...) {
      patients.cancel();
      throw;
    }
    postOrDrop(patients);
  }
  const records::Bookmark current = patients.bookmark();
  patients.setFiltered(false);
  reread(patients);
  patients.gotoBookmark(current);
  if (after == AfterAdd::LastCourse) courses.last();
}

void records::Store::writeTogether(const QString& action, const std::function<void()>& work) {
  try {
    records::Transaction together(connection, action);
    work();
    together.commit();
  } catch (...) {
    // Nothing of it was kept: the cursors read again what the store holds (what they showed came
    // partly from the undone writes). The first failure is the one reported.
    if (!connection.inTransaction()) {
      for (DataSet* table : {&patients, &courses}) {
        try {
          table->cancel();
          if (table->active()) reread(*table);
        } catch (const std::exception&) {
        }
      }
    }
    throw;
  }
}

void records::Store::addCourse() {
  writeTogether(QStringLiteral("add a course"), [this] {
    // The course number comes from the patient row as it is now, locked until the course is
    // stored: another copy adding a course meanwhile waits, then numbers its course after this one.
    patients.refreshCurrent(true);
    patients.edit();
    patientCourseCount.setInteger(static_cast<qint64>(patientCourseCount.asInteger()) + 1);
    postOrDrop(patients);

    courses.last();
    courses.append();
    courseNumber.setInteger(patientCourseCount.asInteger());
    courseAssessed.setDateTime(datetime::now());
    postOrDrop(courses);

    reread(courses);
    storeCourseStatus();
  });
}

void records::Store::storeCourseStatus() {
  writeTogether(QStringLiteral("store the patient's course status"), [this] { computeCourseStatus(); });
}

void records::Store::computeCourseStatus() {
  const QVariant remembered = courseNumber.value();
  // The patient row is locked before the courses are read: a copy that changes a course and then
  // computes the status waits for this one, and so reads this one's changes too.
  patients.refreshCurrent(true);

  reread(courses);
  const records::ControlsDisabled detached(courses);
  int status = 0;
  for (courses.first(); !courses.eof(); courses.next()) {
    if (courseFinished.isNull()) {
      status |= 1;
    } else if (courseFinished.asBoolean()) {
      status |= 4;
    } else {
      status |= 2;
    }
  }

  reread(patients);
  const records::Bookmark patient = patients.bookmark();
  patients.edit();
  patientStatus.setInteger(status);
  postOrDrop(patients);
  patients.gotoBookmark(patient);

  courses.first();
  while (!courses.eof() && courseNumber.value() != remembered) courses.next();
}

void records::Store::addPhotograph(const QImage& Graphic, double When) {
  // Encode first: a picture the codec refuses leaves no empty photograph row behind.
  QByteArray bytes;
  try {
    bytes = jpeg::encode(Graphic, kPhotographQuality);
  } catch (const jpeg::Error& e) {
    throw DataError(QStringLiteral("The photograph cannot be stored: %1").arg(QString::fromStdString(e.what())));
  }
  photos.last();
  photos.append();
  try {
    photoJpeg.setBytes(bytes);
    photoDate.setDateTime(When);
  } catch (...) {
    photos.cancel();
    throw;
  }
  postOrDrop(photos);
}

QImage records::Store::currentPhotograph() const {
  if (!photos.active() || photos.isEmpty()) return QImage();
  const QByteArray bytes = photoJpeg.asBytes();
  if (bytes.isEmpty()) return QImage();
  try {
    QImage picture = jpeg::decode(bytes);
    if (picture.format() != QImage::Format_RGB888) picture = picture.convertToFormat(QImage::Format_RGB888);
    return picture;
  } catch (const jpeg::Error& e) {
    throw DataError(
        QStringLiteral("Photograph %1 of course %2 of patient %3 cannot be shown: %4. The stored "
                       "picture is damaged; delete it and add the photograph file again.")
            .arg(photoId.asString(), photoCourse.asString(), photoNhi.asString(), QString::fromStdString(e.what())));
  }
}

void records::Store::photographMoved() {
  if (!photos.active() || photos.state() == DataSet::State::Insert) return;
  if (!showsPhotographs || !showsPhotographs()) return;
  try {
    if (photos.isEmpty()) return;
    const QImage picture = currentPhotograph();
    emit photographToShow(picture, photoDate.asDateTime());
  } catch (const std::exception& e) {
    emit photographFailed(QString::fromStdString(e.what()));
  }
}
