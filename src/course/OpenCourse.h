#pragma once
// The open course: everything the window shows of one patient and one course, and every change a
// user makes to them, without widgets. The window, halcyra-tool and the tests all work through it.
//
// It owns the mode, the data module (the store's three cursors), the dosing session (estimate,
// plan, the schedule's texts, the graph's series and title), the 29 treatment records, the lesion
// spots with the diagram drawn from them, the photograph shown, and the few screen states that are
// not columns (a blank date picker, the MED and age texts, the list-mode texts of the top strip).
//
// Each user action is one operation. An operation that changes the store goes through one write
// path (store()): the row is put in edit, the columns are set, the row is posted and, where the
// rules say so, the table re-read with the quiet mode held. Everything one action writes (a new
// patient with its first course and status bits; a treatment with the status bits; an age with a
// birth date) is one transaction: a program ended half-way leaves nothing half-done. When the
// store refuses, StoreError names what was being stored and why; the row stays in edit with its
// values, the screen keeps showing them, and the next write to that table stores them all.
// Nothing is dropped.
//
// Another workstation may have the same course open. Its treatments and increments are merged
// into this window's writes rather than overwritten (treatment/CourseMerge.h); every other column
// is written alone, so a change of one field never undoes another workstation's change of another.
//
// After each operation `changed` says which parts of the screen may differ; warnings to show
// ("Undeliverable treatment") go out through `warning` at the moment the user must see them.

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "course/CourseError.h"
#include "course/Mode.h"
#include "diagram/BodyDiagram.h"
#include "dosing/DosingSession.h"
#include "dosing/FactorTables.h"
#include "records/LegacyImport.h"
#include "records/Store.h"
#include "treatment/CourseMerge.h"
#include "treatment/Exposure.h"
#include "treatment/ScheduleRules.h"
#include "treatment/TreatmentRecord.h"

namespace course {

// The parts of the screen an operation may have changed.
enum class Part : unsigned {
  Mode = 1 << 0,         // the mode, and with it which panels show and what is enabled
  Search = 1 << 1,       // the top strip's texts in list mode, the status boxes, Select and New Course
  Patient = 1 << 2,      // the current patient row (the list, the names, the particulars)
  Course = 1 << 3,       // the current course row (the assessment, the course list)
  Plan = 1 << 4,         // age, estimate, tone panels, MED, the schedule's texts, the graph, Print
  Records = 1 << 5,      // the 29 treatment records
  Spots = 1 << 6,        // the spots and the diagram picture
  Photographs = 1 << 7,  // the photographs: how many, the one shown, its date and note
};
Q_DECLARE_FLAGS(Parts, Part)
inline constexpr Parts kAllParts = Parts::fromInt(0xFF);

// A date picker's content: the date-time (days since 1899-12-30) and whether it shows nothing.
struct ShownDate {
  double value = 0;
  bool blank = true;
};

// The top strip in list mode.
enum class SearchField { Nhi, Surname, FirstName, SecondName };
struct SearchTexts {
  QString nhi, surname, firstName, secondName;
  bool current = true, pending = true, complete = true;  // the status boxes
};
struct SelectButton {
  QString caption = QStringLiteral("Select");  // or "New Patient"
  bool enabled = true;
  bool newCourse = false;        // "New Course" ticked
  bool newCourseEnabled = true;  // a patient without courses always gets one: ticked and disabled
};
enum class SelectOutcome {
  Opened,    // the patient's course is open
  NeedsNhi,  // nobody is listed and the NHI typed is not a complete one: nothing to open or create
  NotNow,    // not in list mode (a course is open, or an import is running): nothing happened
};
// Leaving a course while the store still refuses a change waiting to be stored.
enum class PendingChanges { Keep, Drop };

// The fields written as text.
enum class PatientText { Surname, FirstName, SecondName, HomePhone, WorkPhone, CellPhone, FamilyHistory, Address };
enum class CourseText {
  Diagnosis,
  TreatmentType,
  Duration,
  PreviousResult,
  Referral,
  Therapist,
  Medication,
  Operations
};
// The lists stored as item indexes.
enum class PatientChoice { Eyes, Hair, SkinColour, Language };
enum class CourseChoice { Condition, Schedule };

// One photograph of the course as stored.
struct PhotographRow {
  int imageId = 0;
  std::optional<double> when;  // days since 1899-12-30; none when it has no date
  QString note;
  QByteArray jpeg;
};

// What became of the files of one drop.
struct DroppedFiles {
  int added = 0;
  QStringList failures;  // one text per file that could not be added, naming it and why
};

class OpenCourse : public QObject {
  Q_OBJECT

 public:
  explicit OpenCourse(FactorTables tables = {}, QObject* parent = nullptr);
  ~OpenCourse() override;

  // ---- the store
  // Connects to the database the setting `location` names (see records::Store::open; raises
  // records::DataError for a file that is there but cannot be used).
  // Asked for a database server's password when ~/.pgpass and PGPASSWORD give none (the window's
  // password box); the answer is kept in memory only.
  void setPasswordPrompt(records::PasswordPrompt ask) { data_.passwordPrompt = std::move(ask); }
  //
  // With ListRead::InBackground (the window's start) the patient list is read on a thread of its
  // own; the tables open when it is in. Meanwhile the NHI and surname boxes take what is typed
  // (searched when the list is in), and Select opens a whole NHI typed (every status box ticked,
  // no surname) at once, the patient read by the store's unique index; the list is then taken
  // over under the open course. Any other Select, and any other operation started before the list
  // is in, waits for the rest of the read first, so nothing a user does is lost or refused.
  records::Store::ConnectResult connectDatabase(const QString& location,
                                                records::Store::ListRead read = records::Store::ListRead::Now);
  bool connected() const { return data_.connected(); }
  bool readingList() const { return data_.readingList(); }
  // Every column of the current patient, course and photograph rows. A row the store refused keeps
  // showing the values waiting to be stored.
  const records::Store& data() const { return data_; }
  const FactorTables& factors() const { return dosing_.tables(); }

  // ---- the mode
  Mode mode() const { return mode_; }
  // Holds a mode for a scope and restores the previous one on every path out of it.
  class [[nodiscard]] ModeScope {
   public:
    ModeScope(OpenCourse& course, Mode mode);
    ~ModeScope();
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

   private:
    OpenCourse& course_;
    Mode saved_;
  };
  ModeScope holdMode(Mode mode) { return ModeScope(*this, mode); }
  // The window is closing: nothing is worked out or stored from now on.
  void close();

  // ---- what the screen shows
  const dosing::DosingSession& dosing() const { return dosing_; }
  const QString& medText() const { return medText_; }
  const std::array<TreatmentRecord, kTreatments>& records() const { return records_; }  // [k - 1]: treatment k
  std::optional<bool> courseComplete() const;  // the course's Complete; none when it has none
  ShownDate birthDate() const { return birth_; }
  ShownDate assessmentDate() const { return assessment_; }
  int contraindications() const { return cautions_; }  // bits 1..32 of the six boxes
  bool previousResultEnabled() const { return previousResultEnabled_; }
  // "Print": enabled when a course opens (its assessment and consent can be printed for signing
  // before there is a plan; the report then shows an empty plan), and from then on set by each
  // working-out of the plan.
  bool printable() const { return mode_ == Mode::Patient && printEnabled_; }
  // The "Dose (mJ)" cells of treatments 1..29 as the schedule and the report show them: the dose
  // each recorded treatment delivered, the planned dose of the others.
  dosing::RowTexts shownDoses() const;
  // The open patient and course ("ABC1234", 2), or none in list mode: what a report was made of.
  std::optional<std::pair<QString, int>> openCourseKey() const;
  // The open patient's lifetime exposure over all courses as stored (list mode: none).
  std::optional<treatment::Exposure> lifetime() const;
  const std::vector<QPoint>& spots() const { return spots_; }
  const QImage& diagram() const { return diagram_; }  // the outline at the shown size with the spots
  diagram::Scale diagramScale() const { return scale_; }
  const SearchTexts& searchTexts() const { return search_; }
  const SelectButton& selectButton() const { return select_; }
  // The photographs of the open course: how many, the number of the one shown (from 1), its
  // picture (null when it has none or cannot be shown; then photographProblem() says why), date.
  int photographCount() const;
  int photographNumber() const;
  bool photographsShown() const { return photographsShown_; }  // the Notes tab
  const QImage& photograph() const { return picture_; }
  const QString& photographProblem() const { return pictureProblem_; }
  ShownDate photographDate() const;
  QString photographNote() const;
  std::vector<PhotographRow> photographs() const;  // all of them, in order; the cursor stays
  // The assessment as stored in the current rows (a row the store refused shows what waits).
  QString patientText(PatientText field) const;
  QString courseText(CourseText field) const;
  int patientChoice(PatientChoice field) const;  // the item index; -1 when none is stored
  int courseChoice(CourseChoice field) const;
  int previousTreatment() const;  // 0 "Yes", 1 "No", -1 none
  // Whether a change the store refused is still waiting, and a description of it.
  bool hasPendingChanges() const;
  QString pendingChanges() const;

  // ---- list mode
  void setSearchText(SearchField field, const QString& text);  // the NHI and surname search
  void setStatusFilter(bool current, bool pending, bool complete);
  void setNewCourse(bool ticked);
  void pickPatient(int recNo);  // a row chosen in the patient, course or photograph grid
  void pickCourse(int recNo);
  void pickPhotograph(int recNo);
  // "Select": opens the chosen patient's course, or creates the patient typed (with a first
  // course), or adds a course when "New Course" is ticked. A refusal of the store ends it where it
  // happened: no change is stored until "List".
  SelectOutcome select();
  // Opens course `courseId` (the newest when none) of the patient with this NHI, as Select opens
  // it; raises Error when there is no such patient or course. Needs list mode.
  void open(const QString& nhi, std::optional<int> courseId = std::nullopt);
  // "List": clears the window and returns to the patient list, read anew. With a change the store
  // still refuses, Keep raises StoreError and stays; Drop forgets it.
  void returnToList(PendingChanges pending = PendingChanges::Keep);
  // Imports one patient file of the older system (the window paces a batch and holds the import
  // mode across it); the window then shows the imported patient's names and assessment.
  records::LegacyImport importFile(const QString& path);

  // ---- the estimate and the plan
  void setSkinType(int item);
  // The age box left. Empty text is ignored; a text that is not an age within the limits is
  // refused: nothing is stored, the box shows the age held again, and a warning says why.
  void setAge(const QString& text);
  // A date chosen in the birth-date picker. A date in the future or before 1900 is refused the
  // same way. With an age shown it does not change the age (see birthDateAge()).
  void setBirthDate(double birth);
  // The age the birth date gives today, when an age is shown that differs from it by a year or
  // more: the window asks whether to take it (takeAgeFromBirthDate()).
  std::optional<double> birthDateAge() const;
  void takeAgeFromBirthDate();
  void showBirthDate();  // the picker entered: it shows its date from now on
  // A tone panel clicked (0 Sensitive, 1 Average, 2 In-Sensitive). When the age box has the focus,
  // pass its text: the typed age is applied first.
  void chooseTone(int tag, const std::optional<QString>& typedAge = std::nullopt);
  // The MED box left: a whole number within the limits is stored and planned; an empty box stores
  // no MED; anything else is refused (the box shows the MED held again, the plan stays).
  void setMed(const QString& text);
  // The "% Inc" cells as they stand (a key released in the schedule): the plan follows them, and
  // with a course open all 29 are stored. A whole number outside the limits is refused: the cells
  // go back to what they held, nothing is stored, and a warning names the treatment.
  void setIncrements(const dosing::RowTexts& increments);

  // ---- the assessment
  void setPatientText(PatientText field, const QString& text);
  void setCourseText(CourseText field, const QString& text);
  void setPatientChoice(PatientChoice field, int item);
  void setCourseChoice(CourseChoice field, int item);
  void setPreviousTreatment(int answer);  // 0 "Yes", 1 "No"
  void setAssessmentDate(double date);
  void setContraindications(int mask);

  // ---- treatments (rows 1..29); only with a course open
  bool canRecord() const;
  // While the entry dialog of a treatment is up, the course can be neither left nor replaced:
  // "List", Select, opening a course and an import are refused, by whatever route they come.
  class [[nodiscard]] RecordingScope {
   public:
    explicit RecordingScope(OpenCourse& course) : course_(course) { ++course_.recording_; }
    ~RecordingScope() { --course_.recording_; }
    RecordingScope(const RecordingScope&) = delete;
    RecordingScope& operator=(const RecordingScope&) = delete;

   private:
    OpenCourse& course_;
  };
  RecordingScope recordingTreatment() { return RecordingScope(*this); }
  bool recording() const { return recording_ > 0; }
  // "Update": a treatment whose values are outside the limits (see entry::refusalOf) raises Error
  // and nothing is stored.
  void recordTreatment(int row, const treatment::TreatmentEntry& entry, bool stopTreatment);
  void clearTreatment(int row);
  void writeBackTreatments(int row);  // the dialog closed with "Undo": the record is written back unchanged

  // ---- the body diagram
  void setDiagramSize(QSize shown);
  // A click at `shown` (in the diagram as shown): adds a spot there, or with Ctrl takes back the
  // newest. Stored at once with a course open.
  void clickDiagram(QPoint shown, bool ctrl);

  // ---- photographs; only with a course open
  // Adds one photograph file as a drop adds it; returns the size it was stored at.
  QSize addPhotographFile(const QString& path);
  DroppedFiles addPhotographs(const QStringList& paths);  // passes over names not .JPG/.JPEG
  void setPhotographNote(const QString& note);
  void setPhotographDate(double date);
  void stepPhotograph(bool next);
  void deletePhotograph();
  // The photographs walked through to the last, as printing the report walks them: a change
  // waiting is stored with its own photograph first, and the last is the one shown afterwards.
  void showLastPhotograph();

 signals:
  void changed(course::Parts parts);
  void warning(const QString& caption, const QString& text);
  void logLine(const QString& line);
  // The patient list read in the background could not be used: the program goes on without
  // patient records. The text names the store and the reason.
  void listFailed(const QString& message);

 private:
  enum class Reread { No, Yes };
  enum class Table { Patient, Course, Photograph };
  // One operation. Whatever it changes is announced once, when the outermost operation ends, also
  // when it ends with an error: the screen then shows what is kept.
  class Batch {
   public:
    // An operation that begins while the patient list is being read waits for it first (closing
    // does not: the list is of no use to it), unless a course is open on a patient read on its
    // own, which needs no list (Always: even then). Only the outermost operation waits: the list
    // comes in between operations, never under one.
    enum class ListWait { Await, Skip, Always };
    explicit Batch(OpenCourse& course, ListWait wait = ListWait::Await) : course_(course) {
      if (course_.batchDepth_ == 0 &&
          (wait == ListWait::Always || (wait == ListWait::Await && !course_.courseOpenWithoutList())))
        course_.awaitList();
      ++course_.batchDepth_;
    }
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    OpenCourse& course_;
  };

  void awaitList();
  void listArrived();
  records::DataSet& cursor(Table table);
  void setMode(Mode mode);
  void note(Parts parts);
  void announce();
  void requireConnection() const;
  void refuseWhileRecording(const char* action) const;
  // Refuses a value the user typed: the warning names it, nothing is stored.
  void refuse(const QString& text);
  bool courseOpen() const;
  QString courseName() const;  // "course 1 of patient ABC1234"

  // The write path (see the top of this file). stage() puts the row in edit and sets the columns,
  // without touching the store; storeStaged() posts the staged rows of the tables named, as one
  // transaction; store() does both for one table, then re-reads it when asked.
  void store(Table table, const QString& what, const std::function<void()>& set, Reread reread);
  void stage(Table table, const QString& what, const std::function<void()>& set);
  void storeStaged(std::initializer_list<Table> tables);
  void storeAllPending();
  void reread(records::DataSet& table);
  // Runs the writes of one user action as one transaction: all of them are kept, or none. When
  // the store refuses any part, what the user changed goes back into its rows, waiting to be
  // stored with the next change, and the cursors read again what the store holds. Nested calls
  // join the outer one.
  void together(const std::function<void()>& work);
  void postRow(Table table);
  // Posts the course row; true when its Complete changed (the status bits then follow).
  bool postCourse();
  // Merges the packed records and increments being posted with what is stored at this moment
  // (treatment/CourseMerge.h), inside the transaction; the window follows once it is committed.
  void mergeWithStore();
  void adoptRecords(const treatment::RecordsMerge& merge);
  void adoptIncrements(const treatment::IncrementTexts& merged);
  void recover(const std::array<records::Bookmark, 3>& marks);
  static QString reasonOf(const std::exception& e);

  // Loading and clearing the window.
  void loadPatient();
  void loadCourse();
  void clearWindow();
  void computePlan();
  void redrawDiagram();
  void loadPhotographs();
  void searchPatients();
  // While the list is read: whether what is typed lets Select open a patient at once, and opening
  // it so (false when it cannot be, and nothing is opened).
  bool selectableEarly() const;
  bool openEarly();
  bool courseOpenWithoutList() const;

  records::Store data_;
  dosing::DosingSession dosing_;
  Mode mode_ = Mode::List;
  bool closed_ = false;  // the window has closed: quiet for good
  int batchDepth_ = 0;
  Parts pending_;

  QString medText_;
  bool printEnabled_ = false;
  bool ageFromBirth_ = false;  // the age shown was given by the birth date just entered
  int recording_ = 0;
  std::array<TreatmentRecord, kTreatments> records_{};
  ShownDate birth_, assessment_;
  int cautions_ = 0;
  bool previousResultEnabled_ = false;
  SearchTexts search_;
  SelectButton select_;
  std::vector<QPoint> spots_;
  QSize diagramSize_{216, 263};
  diagram::Scale scale_;
  QImage diagram_;
  bool photographsShown_ = false;
  QImage picture_;
  QString pictureProblem_;
  std::array<QStringList, 3> waiting_;  // per table: what a refused post still holds

  // The running transaction of an action (together()).
  struct PostedEdit {
    Table table;
    records::Bookmark row;
    std::vector<std::pair<int, QVariant>> changes;
  };
  bool inTransaction_ = false;
  std::vector<PostedEdit> uncommitted_;  // rows posted in it: put back into edit if it is undone
  bool touched_ = false;                 // the data module wrote in it (course counts, status, photographs)
  std::vector<std::function<void()>> afterCommit_;
  // The packed records and increments as this window last read or stored them: what another
  // workstation changed since is told apart from what was changed here.
  std::array<TreatmentRecord, kTreatments> recordsRead_{};
  dosing::RowTexts incrementsRead_;
  // The treatment row whose recording set the course's Complete that waits to be stored: should
  // the merge keep another workstation's treatment in that row, this Complete goes with it.
  std::optional<int> completeFrom_;
  // An action undone because the server was lost: the cursors read the store again once the next
  // action has connected anew, from the rows that action began on.
  std::optional<std::array<records::Bookmark, 3>> rereadOnReconnect_;
};

}  // namespace course

Q_DECLARE_OPERATORS_FOR_FLAGS(course::Parts)
