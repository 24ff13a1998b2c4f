// The patient list and the passage between list mode and an open course: searching as the user
// types, Select, opening a course from the tool, filling the open course from its rows, clearing
// the window, and List.

#include <QDateTime>

#include "base/DateTime.h"
#include "base/Formats.h"
#include "base/OneLine.h"
#include "course/OpenCourse.h"
#include "diagram/CourseSpots.h"
#include "records/CourseRow.h"
#include "records/PatientLookup.h"

namespace course {

// ---------------------------------------------------------------------------------------------
// Searching

void OpenCourse::setSearchText(SearchField field, const QString& text) {
  const Batch batch(*this, Batch::ListWait::Skip);  // typing never waits for the list
  if (mode_ != Mode::List) return;
  // The names and the NHI are one line each, also as pasted: the new patient is created with them.
  const QString line = text::blanked(text);
  switch (field) {
    case SearchField::Nhi: search_.nhi = line; break;
    case SearchField::Surname: search_.surname = line; break;
    case SearchField::FirstName: search_.firstName = line; break;
    case SearchField::SecondName: search_.secondName = line; break;
  }
  note(Part::Search);
  // A first or second name is only kept for a new patient: it does not filter.
  if (field == SearchField::Nhi || field == SearchField::Surname) searchPatients();
}

void OpenCourse::setStatusFilter(bool current, bool pending, bool complete) {
  const Batch batch(*this, Batch::ListWait::Skip);  // typing never waits for the list
  if (mode_ != Mode::List) return;
  search_.current = current;
  search_.pending = pending;
  search_.complete = complete;
  note(Part::Search);
  searchPatients();
}

void OpenCourse::setNewCourse(bool ticked) {
  const Batch batch(*this, Batch::ListWait::Skip);  // typing never waits for the list
  select_.newCourse = ticked;
  note(Part::Search);
}

void OpenCourse::searchPatients() {
  select_.newCourse = false;
  select_.newCourseEnabled = true;
  note(Part::Search);
  if (!data_.connected()) return;
  if (data_.readingList() && (!data_.patients.active() || data_.patients.awaitingList())) {
    // The list is not in: what is typed is searched when it is. A whole NHI may be opened now.
    select_.caption = QStringLiteral("Select");
    select_.enabled = selectableEarly();
    return;
  }
  const std::uint8_t mask = records::statusMask(search_.current, search_.pending, search_.complete);
  if (!search_.nhi.isEmpty() || !search_.surname.isEmpty() || mask != 7) {
    data_.findPatients(search_.nhi, search_.surname, mask);
    data_.courses.last();
    select_.caption = QStringLiteral("Select");
    select_.enabled = true;
    if (data_.patients.isEmpty()) {
      // Nobody listed: only a complete new NHI, with no status box hiding anybody, makes a patient.
      const bool allTicked = search_.current && search_.pending && search_.complete;
      if (allTicked && records::ValidNHI(search_.nhi, dosing_.tables().Default_Format))
        select_.caption = QStringLiteral("New Patient");
      else
        select_.enabled = false;
    }
  } else {
    data_.patients.setFiltered(false);
    select_.caption = QStringLiteral("Select");
    // A list without a current patient has nobody to open and no typed NHI to create.
    if (data_.patients.isEmpty()) select_.enabled = false;
  }
  if (data_.courses.isEmpty()) {  // a new patient, or one without courses, always gets a first course
    select_.newCourse = true;
    select_.newCourseEnabled = false;
  }
}

void OpenCourse::pickPatient(int recNo) {
  const Batch batch(*this);
  if (mode_ == Mode::List && data_.patients.active() && data_.patients.recNo() != recNo) data_.patients.setRecNo(recNo);
}

void OpenCourse::pickCourse(int recNo) {
  const Batch batch(*this);
  if (mode_ == Mode::List && data_.courses.active() && data_.courses.recNo() != recNo) data_.courses.setRecNo(recNo);
}

void OpenCourse::pickPhotograph(int recNo) {
  const Batch batch(*this);
  if (mode_ == Mode::List && data_.photos.active() && data_.photos.recNo() != recNo) data_.photos.setRecNo(recNo);
}

// ---------------------------------------------------------------------------------------------
// Opening a course

bool OpenCourse::selectableEarly() const {
  return search_.surname.isEmpty() && search_.current && search_.pending && search_.complete &&
         records::ValidNHI(search_.nhi, dosing_.tables().Default_Format);
}

bool OpenCourse::openEarly() {
  if (!selectableEarly() || data_.patients.filtered() || !data_.openPatientEarly(search_.nhi)) return false;
  // As a search leaves it: the newest course current, and a patient without courses gets one.
  data_.courses.last();
  if (data_.courses.isEmpty()) {
    select_.newCourse = true;
    select_.newCourseEnabled = false;
  }
  return true;
}

SelectOutcome OpenCourse::select() {
  const Batch batch(*this, Batch::ListWait::Skip);
  refuseWhileRecording("opening another course");
  if (mode_ != Mode::List) return SelectOutcome::NotNow;
  requireConnection();
  if (data_.readingList() && !openEarly()) {
    // Not a patient that opens at once: the list is needed. What was typed is listed when it is
    // in; with nobody listed, the button then says what Select would do.
    awaitList();
    if (data_.patients.isEmpty()) return SelectOutcome::NotNow;
  }
  if (data_.patients.isEmpty() && !records::ValidNHI(search_.nhi, dosing_.tables().Default_Format))
    return SelectOutcome::NeedsNhi;
  setMode(Mode::Quiet);
  // The course current in the list (the newest after a search, or the one picked) is the one
  // opened: the patient list's re-read inside addPatient must not move it.
  const QVariant picked = data_.courses.active() && !data_.courses.isEmpty() ? data_.courseNumber.value() : QVariant();
  // The patient, its first course and its status bits are stored together or not at all.
  try {
    together([&] {
      touched_ = true;
      // Nobody was listed: the list is read again inside the transaction, so that a patient another
      // workstation created with this NHI a moment ago is opened rather than created twice.
      const bool expectedNew = data_.patients.isEmpty();
      if (expectedNew) {
        data_.patients.close();
        data_.patients.open();
      }
      const bool createdMeanwhile = expectedNew && !data_.patients.isEmpty();
      data_.addPatient(search_.nhi, search_.surname, records::Store::AfterAdd::KeepCourse);
      if (picked.isValid()) {
        for (data_.courses.first(); !data_.courses.eof(); data_.courses.next())
          if (data_.courseNumber.value() == picked) break;
      }
      // A patient is never opened without a course to write to; one created meanwhile elsewhere
      // has its first course already.
      bool addCourse = select_.newCourse || data_.courses.isEmpty();
      if (createdMeanwhile && !data_.courses.isEmpty()) addCourse = false;
      if (addCourse) data_.addCourse();
    });
  } catch (const std::exception& e) {
    // Nothing was stored: the list shows again what the search finds, ready for another Select.
    setMode(Mode::List);
    try {
      searchPatients();
    } catch (const std::exception&) {
    }
    throw Error(QStringLiteral("The patient %1 was not opened, and nothing of it was stored: %2\n\nPress Select "
                               "again in a moment.")
                    .arg(search_.nhi.isEmpty() ? data_.patientNhi.asString() : search_.nhi, reasonOf(e)));
  }
  setMode(Mode::Loading);
  loadPatient();
  setMode(Mode::Patient);
  printEnabled_ = true;
  return SelectOutcome::Opened;
}

void OpenCourse::open(const QString& nhi, std::optional<int> courseId) {
  const Batch batch(*this);
  refuseWhileRecording("opening another course");
  requireConnection();
  if (mode_ != Mode::List) throw Error(QStringLiteral("A course is open already: return to the list first."));
  {
    const ModeScope quiet(*this, Mode::Quiet);
    data_.listOnlyNhi(nhi);
    if (data_.patients.isEmpty()) {
      data_.patients.setFiltered(false);
      throw Error(QStringLiteral("no patient has the NHI \"%1\"").arg(nhi));
    }
    data_.addPatient(nhi, QString(), records::Store::AfterAdd::KeepCourse);  // only lifts the filter
    bool found = false;
    if (courseId) {
      for (data_.courses.first(); !data_.courses.eof(); data_.courses.next()) {
        if (data_.courseNumber.asInteger() == *courseId) {
          found = true;
          break;
        }
      }
    } else {
      data_.courses.last();
      found = !data_.courses.isEmpty();
    }
    if (!found) {
      throw Error(QStringLiteral("patient \"%1\" has %2")
                      .arg(data_.patientNhi.asString(),
                           courseId ? QStringLiteral("no course %1").arg(*courseId) : QStringLiteral("no course")));
    }
  }
  setMode(Mode::Loading);
  loadPatient();
  setMode(Mode::Patient);
  printEnabled_ = true;
}

void OpenCourse::loadPatient() {
  note(kAllParts);
  if (data_.patientBirth.isNull()) {
    birth_ = {datetime::now(), true};
  } else {
    birth_ = {data_.patientBirth.asDateTime(), false};
  }
  loadCourse();
}

void OpenCourse::loadCourse() {
  ageFromBirth_ = false;
  // While the course is filled in the plan is worked out but warns about nothing.
  dosing_.setLoadingStoredCourse(true);
  if (!data_.courseAssessed.isNull()) assessment_ = {data_.courseAssessed.asDateTime(), false};
  dosing_.setAge(data_.courseAge.isNull() ? 0.0 : data_.courseAge.asFloat());
  // A course without an age shows an empty age box rather than "0.0", so that a birth date
  // entered next supplies the age.
  dosing_.showAgeText(dosing_.age() == 0 ? QString() : fmt::Fixed(dosing_.age(), 3, 1));
  previousResultEnabled_ = !data_.coursePreviousTreatment.isNull();
  dosing_.enterAge(dosing_.ageText());
  dosing_.chooseSkinType(data_.courseSkinType.isNull() ? -1 : data_.courseSkinType.asInteger());
  if (const auto stored = records::loadCourseIncrements(data_))
    for (int r = 0; r < kTreatments; ++r) dosing_.setIncrement(r, (*stored)[r]);
  // A course on which no treatment was ever recorded has no packed records: keep what is held.
  if (const auto stored = records::loadCourseRecords(data_)) records_ = *stored;
  recordsRead_ = records_;
  incrementsRead_ = dosing_.grid().inc;
  medText_ = data_.courseMed.isNull() ? QString() : data_.courseMed.asString();
  computePlan();
  dosing_.setLoadingStoredCourse(false);
  cautions_ = data_.courseCautions.isNull() ? 0 : data_.courseCautions.asInteger();
  // Spots never written keep the list as it is (emptied when the window was cleared).
  if (auto stored = diagram::loadCourseSpots(data_)) spots_ = std::move(*stored);
  redrawDiagram();
  loadPhotographs();
}

// ---------------------------------------------------------------------------------------------
// Leaving a course

void OpenCourse::clearWindow() {
  const ModeScope quiet(*this, Mode::Quiet);
  note(kAllParts);
  // Every field, not only the response: the records are stored whole with the next course opened,
  // and nothing of this patient's treatments may travel into another patient's record.
  records_.fill(TreatmentRecord{});
  photographsShown_ = false;
  picture_ = QImage();
  pictureProblem_.clear();
  search_.nhi.clear();
  search_.surname.clear();
  search_.firstName.clear();
  search_.secondName.clear();
  birth_.blank = true;
  assessment_.value = datetime::now();
  dosing_.showAgeText(QString());
  // The skin-type list loses its choice, and with it the default schedule goes back to the first.
  if (dosing_.skinTypeItem() != -1) dosing_.chooseSkinType(-1);
  spots_.clear();
  redrawDiagram();
  dosing_.clearPlan();
}

void OpenCourse::returnToList(PendingChanges pending) {
  const Batch batch(*this, Batch::ListWait::Always);  // the list is read anew: the one being read serves
  refuseWhileRecording("returning to the list");
  note(kAllParts);
  if (pending == PendingChanges::Keep) {
    storeAllPending();
  } else {
    for (records::DataSet* rows : {&data_.patients, &data_.courses, &data_.photos}) rows->cancel();
    for (QStringList& waiting : waiting_) waiting.clear();
  }
  clearWindow();
  search_.current = search_.pending = search_.complete = true;  // no search runs on the way back
  setMode(Mode::List);
  printEnabled_ = false;
  if (!data_.connected()) return;
  // Everything is read anew: the first listed patient and its first course become current. A
  // filter set by a search stays.
  data_.photos.close();
  data_.courses.close();
  data_.patients.close();
  data_.patients.open();
  data_.courses.open();
  data_.photos.open();
}

// ---------------------------------------------------------------------------------------------
// The import

records::LegacyImport OpenCourse::importFile(const QString& path) {
  const Batch batch(*this);
  refuseWhileRecording("an import");
  requireConnection();
  if (mode_ != Mode::List && mode_ != Mode::Import)
    throw Error(QStringLiteral("A course is open: return to the list before importing."));
  const ModeScope importing(*this, Mode::Import);
  const bool savedImport = dosing_.loadingStoredCourse();
  dosing_.setLoadingStoredCourse(true);
  struct Restore {
    dosing::DosingSession& dosing;
    bool saved;
    ~Restore() { dosing.setLoadingStoredCourse(saved); }
  } restore{dosing_, savedImport};

  records::LegacyImport im = records::checkLegacyFile(path);
  if (im.status == records::LegacyImport::Status::Checked) {
    // Only a file that passed its checks empties the window: a skipped one leaves the previous
    // patient shown.
    search_.secondName.clear();
    clearWindow();
    records::storeLegacyImport(data_, im);
  }
  if (!im.imported()) return im;

  // The window shows the imported patient's names and assessment, as if typed; nothing of it is
  // stored by the window and the plan is not computed.
  const records::LegacyPatient& file = im.file;
  search_.firstName = im.names.first;
  search_.surname = im.names.surname;
  if (std::isfinite(file.modified)) assessment_ = {file.modified, false};
  dosing_.enterAge(file.age);
  dosing_.chooseSkinType(file.skinType - 1);
  for (int r = 0; r < kTreatments; ++r) dosing_.setIncrement(r, fmt::D(file.increments[static_cast<std::size_t>(r)]));
  medText_ = file.med;
  note(kAllParts);
  return im;
}

}  // namespace course
