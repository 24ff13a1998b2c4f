#include "records/Data.h"

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
// Longest surname AddPatient passes on; longer ones are logged and cut.
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

TDataPatient::TDataPatient(QObject* parent)
    : QObject(parent),
      ADOPatient(ADOCon, records::patientTable()),
      ADOCourse(ADOCon, records::courseTable()),
      ADOImage(ADOCon, records::imageTable()),
      ADOPatientHosp(ADOPatient, QStringLiteral("Hosp")),
      ADOPatientBirth(ADOPatient, QStringLiteral("Birth")),
      ADOPatientWorkPh(ADOPatient, QStringLiteral("WorkPh")),
      ADOPatientMEMOs(ADOPatient, QStringLiteral("MEMOs")),
      ADOPatientNCourse(ADOPatient, QStringLiteral("NCourse")),
      ADOPatientEyes(ADOPatient, QStringLiteral("Eyes")),
      ADOPatientHair(ADOPatient, QStringLiteral("Hair")),
      ADOPatientSkinC(ADOPatient, QStringLiteral("SkinC")),
      ADOPatientComplete(ADOPatient, QStringLiteral("Complete")),
      ADOPatientFirstN(ADOPatient, QStringLiteral("FirstN")),
      ADOPatientSecN(ADOPatient, QStringLiteral("SecN")),
      ADOPatientSurN(ADOPatient, QStringLiteral("SurN")),
      ADOPatientHomePh(ADOPatient, QStringLiteral("HomePh")),
      ADOPatientCellPh(ADOPatient, QStringLiteral("CellPh")),
      ADOPatientLang(ADOPatient, QStringLiteral("Lang")),
      ADOPatientFHistory(ADOPatient, QStringLiteral("FHistory")),
      ADOCourseHosp(ADOCourse, QStringLiteral("Hosp")),
      ADOCourseCourseID(ADOCourse, QStringLiteral("CourseID")),
      ADOCourseDateAssess(ADOCourse, QStringLiteral("DateAssess")),
      ADOCourseOld(ADOCourse, QStringLiteral("Old")),
      ADOCourseComDiag(ADOCourse, QStringLiteral("ComDiag")),
      ADOCourseComReason(ADOCourse, QStringLiteral("ComReason")),
      ADOCourseComSkinType(ADOCourse, QStringLiteral("ComSkinType")),
      ADOCourseComCondition(ADOCourse, QStringLiteral("ComCondition")),
      ADOCourseEdLong(ADOCourse, QStringLiteral("EdLong")),
      ADOCourseRadioPrevRx(ADOCourse, QStringLiteral("RadioPrevRx")),
      ADOCourseEdRxResult(ADOCourse, QStringLiteral("EdRxResult")),
      ADOCourseMemoMeds(ADOCourse, QStringLiteral("MemoMeds")),
      ADOCourseMemoOps(ADOCourse, QStringLiteral("MemoOps")),
      ADOCourseEdMed(ADOCourse, QStringLiteral("EdMed")),
      ADOCourseSkinIndex(ADOCourse, QStringLiteral("SkinIndex")),
      ADOCourseSpotsLength(ADOCourse, QStringLiteral("SpotsLength")),
      ADOCourseSpots(ADOCourse, QStringLiteral("Spots")),
      ADOCourseCondition(ADOCourse, QStringLiteral("Condition")),
      ADOCourseTxTime(ADOCourse, QStringLiteral("TxTime")),
      ADOCourseDose(ADOCourse, QStringLiteral("Dose")),
      ADOCourseWhenDate(ADOCourse, QStringLiteral("WhenDate")),
      ADOCourseInitials(ADOCourse, QStringLiteral("Initials")),
      ADOCourseTemperature(ADOCourse, QStringLiteral("Temperature")),
      ADOCoursePInc(ADOCourse, QStringLiteral("PInc")),
      ADOCourseConsultant(ADOCourse, QStringLiteral("Consultant")),
      ADOCourseReferal(ADOCourse, QStringLiteral("Referal")),
      ADOCourseCautions(ADOCourse, QStringLiteral("Cautions")),
      ADOCourseComplete(ADOCourse, QStringLiteral("Complete")),
      ADOCourseBurn(ADOCourse, QStringLiteral("Burn")),
      ADOCourseSched(ADOCourse, QStringLiteral("Sched")),
      ADOImageHosp(ADOImage, QStringLiteral("Hosp")),
      ADOImageCourseID(ADOImage, QStringLiteral("CourseID")),
      ADOImageImageID(ADOImage, QStringLiteral("ImageID")),
      ADOImageWhenDate(ADOImage, QStringLiteral("WhenDate")),
      ADOImageJpegImage(ADOImage, QStringLiteral("JpegImage")),
      ADOImageNoteMemo(ADOImage, QStringLiteral("NoteMemo")) {
  ADOCourse.setMaster(ADOPatient, {QStringLiteral("Hosp")});
  ADOImage.setMaster(ADOCourse, {QStringLiteral("Hosp"), QStringLiteral("CourseID")});
  connect(&ADOImage, &DataSet::afterScroll, this, &TDataPatient::ADOImageAfterScroll);
}

TDataPatient::~TDataPatient() { DataModuleDestroy(); }

TDataPatient::ConnectResult TDataPatient::DataModuleCreate(const QString& location, ListRead read) {
  DataModuleDestroy();
  const records::StoreLocation where = records::parseStoreLocation(location);
  if (where.kind == records::StoreLocation::Kind::None) return ConnectResult::NoDirectory;
  if (where.isServer()) {
    ADOCon.open(where, passwordPrompt);
  } else {
    const QString file = records::databasePath(location);
    if (!QFileInfo::exists(file)) return ConnectResult::NoDatabase;
    ADOCon.open(file);
  }
  if (read == ListRead::InBackground) {
    listReader_ = std::make_unique<records::ListReader>(ADOCon.login(), ADOPatient.table());
    connect(listReader_.get(), &records::ListReader::finished, this, &TDataPatient::listReadDone);
    return ConnectResult::Connected;
  }
  ADOConConnectComplete();
  return ConnectResult::Connected;
}

void TDataPatient::awaitList() {
  if (!listReader_) return;
  const std::unique_ptr<records::ListReader> reader = std::move(listReader_);
  // Rows the reader could not read are read here again, so that the store's refusal is reported
  // as it is when the tables open.
  if (std::optional<records::ListSnapshot> rows = reader->take()) {
    ADOPatient.adoptList(std::move(*rows));
  } else if (ADOPatient.active()) {
    ADOPatient.adoptList({});  // open on one patient: it stays so, and reads the list when it needs it
  }
  ADOConConnectComplete();
}

bool TDataPatient::openPatientEarly(const QString& nhi) {
  if (!listReader_ || nhi.isEmpty()) return false;
  if (ADOPatient.awaitingList()) {
    // Opened early before and back in the list (a Select the store refused): open anew.
    ADOImage.close();
    ADOCourse.close();
    ADOPatient.close();
  }
  if (ADOPatient.active()) return false;
  QVariantList keys{nhi};
  for (const QString& other : {nhi.toUpper(), nhi.toLower()}) {
    if (!keys.contains(other)) keys << other;
  }
  try {
    if (!ADOPatient.openOnFirstOf(keys)) return false;
    ADOCourse.open();
    ADOImage.open();
  } catch (const DataError&) {
    ADOImage.close();
    ADOCourse.close();
    ADOPatient.close();
    throw;
  }
  return true;
}

void TDataPatient::ADOConConnectComplete() {
  try {
    ADOPatient.open();
    ADOCourse.open();
    ADOImage.open();
  } catch (const DataError& e) {
    DataModuleDestroy();
    throw DataError(e.message() + QStringLiteral(" Choose another database directory, or create a new database "
                                                 "in an empty one."));
  }
  // Updates find their row by its key columns alone (the cursors always work so): a row that
  // another copy changed meanwhile is still updated.
}

void TDataPatient::DataModuleDestroy() {
  listReader_.reset();  // waits for a read in progress: its rows are of no use any more
  ADOImage.close();
  ADOCourse.close();
  ADOPatient.close();
  ADOCon.close();
}

void TDataPatient::ReopenDataSet(DataSet& table) { table.reopen(); }

void TDataPatient::FindPatient(const QString& Hosp, const QString& Pat, std::uint8_t Msk) {
  ADOPatient.checkActive();
  ADOPatient.setFiltered(false);
  MyMsk = Msk;
  ADOPatient.setFilter(records::patientSearchFilter(Hosp, Pat), records::patientSearchText(Hosp, Pat),
                       records::patientSearchRows(Hosp, Pat));
  if (Msk == 7) {
    ADOPatient.setOnFilterRecord({});
  } else {
    ADOPatient.setOnFilterRecord([this](const records::RowView& row) { return PatientFilterRecord(row); },
                                 records::patientStatusRows(Msk));
  }
  ADOPatient.setFiltered(true);
}

bool TDataPatient::PatientFilterRecord(const records::RowView& row) const {
  return records::acceptPatientStatus(row.whole(ADOPatientComplete.index()), MyMsk);
}

void TDataPatient::FilterPatientByNHI(const QString& Hosp) {
  ADOPatient.checkActive();
  ADOPatient.setFiltered(false);
  ADOPatient.setFilter(records::patientNhiFilter(Hosp), records::patientNhiText(Hosp), records::patientNhiRows(Hosp));
  ADOPatient.setOnFilterRecord({});
  ADOPatient.setFiltered(true);
}

void TDataPatient::AddPatient(const QString& Hosp, const QString& Pat, AfterAdd after) {
  if (ADOPatient.isEmpty()) {
    ADOPatient.close();
    ADOPatient.open();
    ADOPatient.last();
    ADOPatient.append();
    try {
      ADOPatientHosp.setString(Hosp);
      QString surname = Pat;
      if (surname.size() > kLongestSurname) {
        if (log) log(QStringLiteral("Patient name tooo long ") + surname);
        surname.truncate(kLongestSurname);
      }
      ADOPatientSurN.setString(surname);
      ADOPatientFirstN.setString(firstName ? firstName() : QString());
      ADOPatientSecN.setString(secondName ? secondName() : QString());
      ADOPatientNCourse.setInteger(0);
      ADOPatientLang.setInteger(2);  // "English"
    } catch (...) {
      ADOPatient.cancel();
      throw;
    }
    postOrDrop(ADOPatient);
  }
  const records::Bookmark current = ADOPatient.bookmark();
  ADOPatient.setFiltered(false);
  ReopenDataSet(ADOPatient);
  ADOPatient.gotoBookmark(current);
  if (after == AfterAdd::LastCourse) ADOCourse.last();
}

void TDataPatient::writeTogether(const QString& action, const std::function<void()>& work) {
  try {
    records::Transaction together(ADOCon, action);
    work();
    together.commit();
  } catch (...) {
    // Nothing of it was kept: the cursors read again what the store holds (what they showed came
    // partly from the undone writes). The first failure is the one reported.
    if (!ADOCon.inTransaction()) {
      for (DataSet* table : {&ADOPatient, &ADOCourse}) {
        try {
          table->cancel();
          if (table->active()) ReopenDataSet(*table);
        } catch (const std::exception&) {
        }
      }
    }
    throw;
  }
}

void TDataPatient::Addcourse() {
  writeTogether(QStringLiteral("add a course"), [this] {
    // The course number comes from the patient row as it is now, locked until the course is
    // stored: another copy adding a course meanwhile waits, then numbers its course after this one.
    ADOPatient.refreshCurrent(true);
    ADOPatient.edit();
    ADOPatientNCourse.setInteger(static_cast<qint64>(ADOPatientNCourse.asInteger()) + 1);
    postOrDrop(ADOPatient);

    ADOCourse.last();
    ADOCourse.append();
    ADOCourseCourseID.setInteger(ADOPatientNCourse.asInteger());
    ADOCourseDateAssess.setDateTime(datetime::now());
    postOrDrop(ADOCourse);

    ReopenDataSet(ADOCourse);
    Patient_Complete();
  });
}

void TDataPatient::Patient_Complete() {
  writeTogether(QStringLiteral("store the patient's course status"), [this] { computeCourseStatus(); });
}

void TDataPatient::computeCourseStatus() {
  const QVariant remembered = ADOCourseCourseID.value();
  // The patient row is locked before the courses are read: a copy that changes a course and then
  // computes the status waits for this one, and so reads this one's changes too.
  ADOPatient.refreshCurrent(true);

  ReopenDataSet(ADOCourse);
  const records::ControlsDisabled detached(ADOCourse);
  int status = 0;
  for (ADOCourse.first(); !ADOCourse.eof(); ADOCourse.next()) {
    if (ADOCourseComplete.isNull()) {
      status |= 1;
    } else if (ADOCourseComplete.asBoolean()) {
      status |= 4;
    } else {
      status |= 2;
    }
  }

  ReopenDataSet(ADOPatient);
  const records::Bookmark patient = ADOPatient.bookmark();
  ADOPatient.edit();
  ADOPatientComplete.setInteger(status);
  postOrDrop(ADOPatient);
  ADOPatient.gotoBookmark(patient);

  ADOCourse.first();
  while (!ADOCourse.eof() && ADOCourseCourseID.value() != remembered) ADOCourse.next();
}

void TDataPatient::AddImage(const QImage& Graphic, double When) {
  // Encode first: a picture the codec refuses leaves no empty photograph row behind.
  QByteArray bytes;
  try {
    bytes = jpeg::encode(Graphic, kPhotographQuality);
  } catch (const jpeg::Error& e) {
    throw DataError(QStringLiteral("The photograph cannot be stored: %1").arg(QString::fromStdString(e.what())));
  }
  ADOImage.last();
  ADOImage.append();
  try {
    ADOImageJpegImage.setBytes(bytes);
    ADOImageWhenDate.setDateTime(When);
  } catch (...) {
    ADOImage.cancel();
    throw;
  }
  postOrDrop(ADOImage);
}

QImage TDataPatient::GetImage() const {
  if (!ADOImage.active() || ADOImage.isEmpty()) return QImage();
  const QByteArray bytes = ADOImageJpegImage.asBytes();
  if (bytes.isEmpty()) return QImage();
  try {
    QImage picture = jpeg::decode(bytes);
    if (picture.format() != QImage::Format_RGB888) picture = picture.convertToFormat(QImage::Format_RGB888);
    return picture;
  } catch (const jpeg::Error& e) {
    throw DataError(QStringLiteral("Photograph %1 of course %2 of patient %3 cannot be shown: %4. The stored "
                                   "picture is damaged; delete it and add the photograph file again.")
                        .arg(ADOImageImageID.asString(), ADOImageCourseID.asString(), ADOImageHosp.asString(),
                             QString::fromStdString(e.what())));
  }
}

void TDataPatient::ADOImageAfterScroll() {
  if (!ADOImage.active() || ADOImage.state() == DataSet::State::Insert) return;
  if (!showsPhotographs || !showsPhotographs()) return;
  try {
    if (ADOImage.isEmpty()) return;
    const QImage picture = GetImage();
    emit photographToShow(picture, ADOImageWhenDate.asDateTime());
  } catch (const std::exception& e) {
    emit photographFailed(QString::fromStdString(e.what()));
  }
}
