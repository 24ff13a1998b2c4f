#pragma once
// The data module: the program's one connection to the patient store and its three table cursors,
// with the few record operations other parts call (find, add a patient, add a course, recompute a
// patient's course status, store and decode a photograph, re-read a table). Every other read or
// write of a column goes through the field accessors below, named after their table and what the
// column holds (the column's own name is given where the accessor is built, in Store.cpp).
//
// The store is the file "Brell_Data.db" in the database directory the caller passes, or the
// server database that setting names as a postgresql:// URI (records/StoreLocation.h). The module never creates it:
// open() reports a missing file and the caller decides (records/Database.h offers
// databasePath and createDatabase).
//
// Every operation that reads a value and writes something computed from it (a course number, the
// patient's course status) runs in one transaction that keeps the row it read locked, so that two
// copies of the program doing it at the same moment take turns instead of overwriting each other.
//
// The module knows no widgets and no application mode. What it needs from its owner comes through
// hooks: the first and second names of a new patient, the import log, and whether photographs are
// shown at the moment. What is to be drawn after the photograph cursor moves goes out through
// signals.

#include <QImage>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "records/Connection.h"
#include "records/DataSet.h"
#include "records/Field.h"
#include "records/ListReader.h"
#include "records/StoreLocation.h"

namespace records {

class Store : public QObject {
  Q_OBJECT

 public:
  // Where addPatient leaves the course cursor.
  enum class AfterAdd {
    LastCourse,  // on the patient's last course (the import)
    KeepCourse,  // where it stands (Select opens the course picked in the list)
  };

  enum class ConnectResult {
    NoDirectory,  // the setting is empty: no connection, the tables stay closed
    NoDatabase,   // the setting is a folder but holds no store file: the caller may offer to create one
    Connected,    // connected; the three tables are open
  };

  // When open() reads the patient list: before it returns, or on a thread of its own
  // while the caller goes on (the window's start), the tables opening when the list is in.
  enum class ListRead { Now, InBackground };

  explicit Store(QObject* parent = nullptr);
  ~Store() override;  // close

  // The connection is declared first so that it outlives the cursors that use it.
  records::Connection connection;
  records::DataSet patients;  // all patients, or those the filter lets through
  records::DataSet courses;   // the current patient's courses, in the order they were added
  records::DataSet photos;    // the current course's photographs, in the order they were added

  // Patient
  records::Field patientNhi, patientBirth, patientWorkPhone, patientAddress, patientCourseCount, patientEyes,
      patientHair, patientSkinColour, patientStatus, patientFirstName, patientSecondName, patientSurname,
      patientHomePhone, patientMobilePhone, patientLanguage, patientFamilyHistory;
  // Course
  records::Field courseNhi, courseNumber, courseAssessed, courseAge, courseDiagnosis, courseTreatmentType,
      courseListedSkinType, courseAppearance, courseDuration, coursePreviousTreatment, coursePreviousResult,
      courseMedication, courseHistory, courseMed, courseSkinType, courseSpotCount, courseSpots, courseResponses,
      courseTimes, courseDoses, courseDates, courseInitials, courseTemperatures, courseIncrements, courseTherapist,
      courseReferrer, courseCautions, courseFinished, courseBurns, courseFrequency;
  // Imagedb
  records::Field photoNhi, photoCourse, photoId, photoDate, photoJpeg, photoNote;
  // The status mask of the last findPatients (course status bits 1, 2, 4; 7 lists every status).
  std::uint8_t statusMask = 7;

  // Hooks set by the owner: the first- and second-name boxes' texts (EdFirst, EdSecond) for a
  // new patient, a line for the import log (Memo2), and whether the current photograph is shown
  // after the photograph cursor moves (unset: it is not).
  std::function<QString()> firstName;
  std::function<QString()> secondName;
  std::function<void(const QString&)> log;
  // Asked for the server's password when ~/.pgpass and PGPASSWORD give none (the window's password
  // box); unset, a server that wants a password is reported as refusing the connection.
  records::PasswordPrompt passwordPrompt;
  std::function<bool()> showsPhotographs;

  // Connects to the store the database setting `location` names and opens Patient, Course and Imagedb. Raises
  // records::DataError, naming the file, when the file is there but cannot be used, and
  // records::ServerUnreachable, naming the server and its reason, when a server cannot be
  // reached. May be called again (after the caller created the database, say): it first closes
  // what is open.
  //
  // With ListRead::InBackground the tables stay closed after connecting while the list is read;
  // listReadDone says when it is in, and awaitList() opens the tables over it (or waits for it
  // first, when something needs the tables sooner).
  ConnectResult open(const QString& location, ListRead read = ListRead::Now);
  bool readingList() const { return listReader_ != nullptr; }
  // While the list is read: opens the patient with this whole NHI (as typed, or in capitals or
  // small letters; the first added of them) by the store's unique index, with its courses and
  // photographs, so that Select need not wait for the list; the list, when in, is taken over
  // under it (awaitList). Tables opened so before are closed first. False, and nothing opened,
  // when no list is being read, the tables are open over a list, or no patient has the NHI.
  // Raises DataError as opening the tables does.
  bool openPatientEarly(const QString& nhi);
  // Opens the tables over the list read in the background, waiting for it first when it is not in
  // yet; nothing when no list is being read. Tables opened early on one patient keep their rows
  // and take the list over. Raises DataError as open() does.
  void awaitList();
  // Closes Imagedb, Course and Patient, in that order, and disconnects.
  void close();
  bool connected() const { return connection.isOpen(); }

  // Re-reads a table and returns to the row that was current. The caller keeps its handlers from
  // acting on the rows passing by meanwhile.
  void reread(records::DataSet& table);

  // Filters the patient list: NHI begins with `Hosp`, surname contains `Pat` (letter case ignored,
  // the texts matched literally); with both empty, only patients with a course. A mask other than
  // 7 also applies passesStatusMask. The first listed patient becomes current.
  void findPatients(const QString& Hosp, const QString& Pat, std::uint8_t Msk);
  // The per-patient status test while a mask is set: a patient whose status is null is accepted;
  // otherwise when its status AND statusMask is not 0.
  bool passesStatusMask(const records::RowView& row) const;
  // Lists only the patient with this NHI (letter case ignored), with no status test: the legacy
  // import looks a patient up so.
  void listOnlyNhi(const QString& Hosp);

  // With no current patient in the list (a search that matched nobody), adds the patient `Hosp`
  // with surname `Pat` and the name boxes' first and second names; a surname longer than 29
  // characters is logged and cut (and then cut again to the column's 20). In every case the
  // filter is removed and the patient that was current, or was added, stays current. The course
  // cursor then goes to the patient's last course, or stays where it is (`after`).
  void addPatient(const QString& Hosp, const QString& Pat, AfterAdd after = AfterAdd::LastCourse);
  // Adds course NCourse + 1 to the current patient, dated now, leaves it current, and recomputes
  // the patient's course status.
  void addCourse();
  // Recomputes the current patient's course status bits (1 a course whose Complete is null, 2 one
  // not finished, 4 one finished) and stores them in Patient.Complete; the course that was current
  // stays current.
  void storeCourseStatus();

  // Stores `Graphic` as a baseline colour JPEG of quality 90 in a new photograph of the current
  // course dated `When`; the new photograph becomes current.
  void addPhotograph(const QImage& Graphic, double When);
  // The current photograph decoded at full scale to 24-bit colour, owned by the caller; an empty
  // (0 x 0) picture for a row without bytes or no current row. Damaged bytes raise DataError with
  // the codec's words.
  QImage currentPhotograph() const;
  // Runs after every move of the photograph cursor (and when the owner calls it): while
  // showsPhotographs says so, with a current photograph, sends photographToShow, or
  // photographFailed when it cannot be decoded. Never throws.
  void photographMoved();

 signals:
  // The list read in the background is in (or the read failed): awaitList() opens the tables
  // without waiting.
  void listReadDone();
  // The window draws `picture` at the top-left corner of its picture area and shows `whenDate`
  // (days since 1899-12-30) in the photograph's date picker.
  void photographToShow(const QImage& picture, double whenDate);
  void photographFailed(const QString& message);

 private:
  void afterConnect();
  std::unique_ptr<records::ListReader> listReader_;
  // Runs `work` in one transaction; if anything in it fails, nothing of it is stored and the
  // patient and course cursors are read again.
  void writeTogether(const QString& action, const std::function<void()>& work);
  void computeCourseStatus();
};

}  // namespace records
