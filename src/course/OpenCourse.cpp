// The open course's machinery: the mode, the announcements of what changed, and the one write
// path every stored change takes.

#include "course/OpenCourse.h"
#include "treatment/ClinicalLimits.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>

#include "base/DateTime.h"
#include "records/DataError.h"
#include "records/Lifetime.h"

namespace course {

OpenCourse::Batch::~Batch() {
  if (--course_.batchDepth_ > 0) return;
  try {
    course_.announce();
  } catch (...) {
    // A listener that fails must not turn one error into the end of the program.
  }
}

OpenCourse::OpenCourse(FactorTables tables, QObject* parent) : QObject(parent), dosing_(std::move(tables)) {
  data_.firstName = [this] { return search_.firstName; };
  data_.secondName = [this] { return search_.secondName; };
  data_.log = [this](const QString& line) { emit logLine(line); };
  data_.showsPhotographs = [this] { return mode_ == Mode::Patient || mode_ == Mode::Loading; };

  // The cursors move under the user's picks and the program's own re-reads; the screen follows.
  const auto follow = [this](const records::DataSet& cursor, Parts parts) {
    connect(&cursor, &records::DataSet::afterScroll, this, [this, parts] { note(parts); });
    connect(&cursor, &records::DataSet::dataChanged, this, [this, parts] { note(parts); });
  };
  follow(data_.patients, Part::Patient);
  follow(data_.courses, Part::Course);
  follow(data_.photos, Part::Photographs);
  connect(&data_, &records::Store::listReadDone, this, &OpenCourse::listArrived);
  connect(&data_, &records::Store::photographToShow, this, [this](const QImage& picture, double) {
    picture_ = picture;
    pictureProblem_.clear();
    note(Part::Photographs);
  });
  connect(&data_, &records::Store::photographFailed, this, [this](const QString& problem) {
    picture_ = QImage();
    pictureProblem_ = problem;
    note(Part::Photographs);
  });

  const QDateTime now = QDateTime::currentDateTime();
  birth_ = {datetime::fromQDateTime(now), true};
  assessment_ = {datetime::fromQDateTime(now), true};
  redrawDiagram();
}

OpenCourse::~OpenCourse() {
  // The data module's hooks point here; nothing may call them once this object is going.
  data_.firstName = {};
  data_.secondName = {};
  data_.log = {};
  data_.showsPhotographs = {};
  disconnect(&data_, nullptr, this, nullptr);
  for (const records::DataSet* cursor : {&data_.patients, &data_.courses, &data_.photos})
    disconnect(cursor, nullptr, this, nullptr);
}

records::Store::ConnectResult OpenCourse::connectDatabase(const QString& location, records::Store::ListRead read) {
  const Batch batch(*this);
  note(kAllParts);
  const records::Store::ConnectResult result = data_.open(location, read);
  // Nothing searched yet: Select opens the list's current patient, when there is one.
  select_ = {};
  select_.enabled = data_.patients.active() && !data_.patients.isEmpty();
  return result;
}

void OpenCourse::awaitList() {
  if (!data_.readingList()) return;
  const Batch opening(*this, Batch::ListWait::Skip);  // the three tables opening are one change
  // Tables opened early on one patient stay where they are and only take the list over: what a
  // user sees does not change.
  const bool courseOpen = data_.patients.active() && mode_ != Mode::List;
  note(courseOpen ? Parts(Part::Patient) : kAllParts);
  try {
    data_.awaitList();
  } catch (...) {
    if (!courseOpen) select_.enabled = false;
    throw;
  }
  if (courseOpen) return;
  select_.enabled = data_.patients.active() && !data_.patients.isEmpty();
  // What was typed while the list was read is searched now, as if typed after.
  if (mode_ == Mode::List && data_.patients.active() &&
      (!search_.nhi.isEmpty() || !search_.surname.isEmpty() || !search_.current || !search_.pending ||
       !search_.complete))
    searchPatients();
}

bool OpenCourse::courseOpenWithoutList() const {
  return (mode_ == Mode::Patient || mode_ == Mode::Loading) && data_.patients.awaitingList();
}

void OpenCourse::listArrived() {
  if (batchDepth_ > 0) {
    // An operation is under way (a message box of it waits for the user): the list is taken over
    // after it.
    QTimer::singleShot(50, this, &OpenCourse::listArrived);
    return;
  }
  try {
    awaitList();
  } catch (const records::DataError& e) {
    emit listFailed(e.message());
  } catch (const std::exception& e) {
    emit listFailed(QString::fromUtf8(e.what()));
  }
}

// ---------------------------------------------------------------------------------------------
// The mode and the announcements

OpenCourse::ModeScope::ModeScope(OpenCourse& course, Mode mode) : course_(course), saved_(course.mode_) {
  course_.setMode(mode);
}

OpenCourse::ModeScope::~ModeScope() {
  try {
    course_.setMode(saved_);  // the mode comes back first; only the announcement may fail
  } catch (...) {
  }
}

void OpenCourse::setMode(Mode mode) {
  if (closed_ || mode_ == mode) return;
  mode_ = mode;
  note(Part::Mode);
}

void OpenCourse::close() {
  const Batch batch(*this, Batch::ListWait::Skip);
  setMode(Mode::Quiet);
  closed_ = true;
}

void OpenCourse::note(Parts parts) {
  pending_ |= parts;
  if (batchDepth_ == 0) announce();
}

void OpenCourse::announce() {
  if (!pending_) return;
  const Parts parts = pending_;
  pending_ = {};
  emit changed(parts);
}

void OpenCourse::requireConnection() const {
  if (!data_.connected()) {
    throw Error(
        QStringLiteral("No patient database is connected. Set the database directory on the About tab "
                       "(hold Ctrl while double-clicking it to keep it) and start the program again."));
  }
}

void OpenCourse::refuseWhileRecording(const char* action) const {
  if (!recording()) return;
  throw Error(QStringLiteral("A treatment of %1 is being recorded, so %2 is not possible now.\n\nClose the "
                             "\"Patient Condition\" dialog with Update, Undo or Clear first.")
                  .arg(courseName(), QLatin1String(action)));
}

void OpenCourse::refuse(const QString& text) {
  // The screen goes back to what is held before the box is seen.
  note(Part::Plan | Part::Patient);
  announce();
  emit warning(limits::kRefusalCaption, text);
}

bool OpenCourse::courseOpen() const {
  return mode_ == Mode::Patient && data_.courses.active() && !data_.courses.isEmpty();
}

QString OpenCourse::courseName() const {
  const QString nhi = data_.patients.active() ? data_.patientNhi.asString() : QString();
  if (!data_.courses.active() || data_.courses.isEmpty()) return QStringLiteral("patient %1").arg(nhi);
  return QStringLiteral("course %1 of patient %2").arg(data_.courseNumber.asString(), nhi);
}

std::optional<treatment::Exposure> OpenCourse::lifetime() const {
  if ((mode_ != Mode::Patient && mode_ != Mode::Loading) || !data_.patients.active() || data_.patients.isEmpty())
    return std::nullopt;
  return records::lifetimeExposure(data_);
}

std::optional<std::pair<QString, int>> OpenCourse::openCourseKey() const {
  if (!courseOpen()) return std::nullopt;
  return std::make_pair(data_.patientNhi.asString(), data_.courseNumber.asInteger());
}

std::optional<bool> OpenCourse::courseComplete() const {
  if (!data_.courses.active() || data_.courseFinished.isNull()) return std::nullopt;
  return data_.courseFinished.asBoolean();
}

// ---------------------------------------------------------------------------------------------
// The write path

records::DataSet& OpenCourse::cursor(Table table) {
  switch (table) {
    case Table::Patient: return data_.patients;
    case Table::Course: return data_.courses;
    case Table::Photograph: return data_.photos;
  }
  return data_.courses;
}

QString OpenCourse::reasonOf(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return error->message();
  if (const auto* data = dynamic_cast<const records::DataError*>(&e)) return data->message();
  return QString::fromUtf8(e.what());
}

void OpenCourse::stage(Table table, const QString& what, const std::function<void()>& set) {
  records::DataSet& rows = cursor(table);
  note(table == Table::Patient  ? Parts(Part::Patient)
       : table == Table::Course ? Parts(Part::Course)
                                : Parts(Part::Photographs));
  try {
    // A row left in edit by an earlier refusal stays in edit: its values are stored with these.
    if (rows.state() != records::DataSet::State::Edit) rows.edit();
    set();
  } catch (const records::DataError& e) {
    throw StoreError(what, e.message());  // this value was not taken; what waits, still waits
  }
  QStringList& waiting = waiting_[static_cast<std::size_t>(table)];
  if (!waiting.contains(what)) waiting << what;
}

void OpenCourse::store(Table table, const QString& what, const std::function<void()>& set, Reread again) {
  stage(table, what, set);
  storeStaged({table});
  if (again == Reread::Yes) reread(cursor(table));
}

void OpenCourse::storeStaged(std::initializer_list<Table> tables) {
  const auto involves = [&](Table t) { return std::find(tables.begin(), tables.end(), t) != tables.end(); };
  bool staged = false;
  for (Table t : tables) staged = staged || cursor(t).state() == records::DataSet::State::Edit;
  if (!staged) return;
  try {
    together([&] {
      // Course rows before the patient row, in every action: two workstations locking the same
      // rows lock them in the same order, so neither waits for the other in a circle.
      const bool statusFollows = involves(Table::Course) && postCourse();
      if (involves(Table::Patient) || statusFollows) postRow(Table::Patient);
      if (statusFollows) {
        // The course's Complete changed: the patient's status bits follow in the same transaction.
        const ModeScope quiet(*this, Mode::Quiet);
        touched_ = true;
        data_.storeCourseStatus();
      }
      if (involves(Table::Photograph)) postRow(Table::Photograph);
      afterCommit_.push_back([this, statusFollows, course = involves(Table::Course), patient = involves(Table::Patient),
                              photograph = involves(Table::Photograph)] {
        if (course) waiting_[static_cast<std::size_t>(Table::Course)].clear();
        if (patient || statusFollows) waiting_[static_cast<std::size_t>(Table::Patient)].clear();
        if (photograph) waiting_[static_cast<std::size_t>(Table::Photograph)].clear();
      });
    });
  } catch (const records::DataError& e) {
    QStringList waiting;
    for (Table t : {Table::Course, Table::Patient, Table::Photograph}) {
      const bool named = involves(t) || (t == Table::Patient && involves(Table::Course));
      if (named && cursor(t).state() == records::DataSet::State::Edit) waiting += waiting_[static_cast<std::size_t>(t)];
    }
    throw StoreError(
        waiting.isEmpty() ? QStringLiteral("a change of %1").arg(courseName()) : waiting.join(QStringLiteral(", ")),
        e.message());
  }
}

void OpenCourse::postRow(Table table) {
  records::DataSet& rows = cursor(table);
  if (rows.state() != records::DataSet::State::Edit) return;
  PostedEdit posted{table, rows.bookmark(), rows.changes()};
  rows.post();
  uncommitted_.push_back(std::move(posted));
}

bool OpenCourse::postCourse() {
  records::DataSet& rows = data_.courses;
  if (rows.state() != records::DataSet::State::Edit) return false;
  mergeWithStore();
  bool completeChanged = false;
  for (const auto& change : rows.changes())
    completeChanged = completeChanged || change.first == data_.courseFinished.index();
  postRow(Table::Course);
  return completeChanged;
}

void OpenCourse::together(const std::function<void()>& work) {
  if (inTransaction_) {
    work();  // part of the action's transaction
    return;
  }
  if (rereadOnReconnect_) {
    // The server was lost in an earlier action: connect anew (a server still away refuses this
    // action here, with nothing touched), then read again what the store holds; the changes that
    // wait go back into their rows and are stored with this action's.
    if (data_.connection.lost()) data_.connection.reconnect();
    const std::array<records::Bookmark, 3> marks = *rereadOnReconnect_;
    rereadOnReconnect_.reset();
    touched_ = true;
    recover(marks);
  }
  std::array<records::Bookmark, 3> marks;
  for (Table t : {Table::Patient, Table::Course, Table::Photograph})
    marks[static_cast<std::size_t>(t)] = cursor(t).bookmark();
  inTransaction_ = true;
  try {
    records::Transaction transaction(data_.connection, QStringLiteral("store the changes of %1").arg(courseName()));
    work();
    transaction.commit();
  } catch (...) {
    inTransaction_ = false;
    afterCommit_.clear();
    recover(marks);
    throw;
  }
  inTransaction_ = false;
  uncommitted_.clear();
  touched_ = false;
  const std::vector<std::function<void()>> committed = std::move(afterCommit_);
  afterCommit_.clear();
  for (const auto& step : committed) step();
}

void OpenCourse::recover(const std::array<records::Bookmark, 3>& marks) {
  // Nothing of the action was kept. What the user changed goes back into its row, waiting to be
  // stored with the next change; the rows posted before the refusal were undone with the rest.
  std::vector<PostedEdit> edits = std::move(uncommitted_);
  uncommitted_.clear();
  const bool rollBack = touched_ || !edits.empty();
  touched_ = false;
  for (Table t : {Table::Patient, Table::Course, Table::Photograph}) {
    records::DataSet& rows = cursor(t);
    if (rows.state() == records::DataSet::State::Edit) edits.push_back({t, rows.bookmark(), rows.changes()});
    rows.cancel();
  }
  const ModeScope quiet(*this, Mode::Quiet);
  note(Part::Patient | Part::Course | Part::Photographs);
  // The cursors' snapshots still hold what the undone statements wrote: they read the store again
  // and return to the rows the action began on; with the server lost, once the next action has
  // connected anew.
  if (rollBack && data_.connection.lost()) {
    rereadOnReconnect_ = marks;
  } else if (rollBack) {
    for (Table t : {Table::Patient, Table::Course, Table::Photograph}) {
      records::DataSet& rows = cursor(t);
      try {
        if (!rows.active()) continue;
        rows.reopen();
        rows.gotoBookmark(marks[static_cast<std::size_t>(t)]);
      } catch (const std::exception&) {
        // A row another copy deleted: the action's own error is the one reported.
      }
    }
  }
  for (const PostedEdit& edit : edits) {
    records::DataSet& rows = cursor(edit.table);
    try {
      if (rows.state() != records::DataSet::State::Edit) {
        if (rows.bookmark() != edit.row && !rows.gotoBookmark(edit.row)) continue;
        rows.edit();
      }
      for (const auto& [column, value] : edit.changes) rows.setValue(column, value);
    } catch (const std::exception&) {
    }
  }
}

void OpenCourse::reread(records::DataSet& table) {
  const ModeScope quiet(*this, Mode::Quiet);
  data_.reread(table);
}

void OpenCourse::storeAllPending() { storeStaged({Table::Course, Table::Patient, Table::Photograph}); }

bool OpenCourse::hasPendingChanges() const {
  for (const records::DataSet* rows : {&data_.patients, &data_.courses, &data_.photos})
    if (rows->state() == records::DataSet::State::Edit) return true;
  return false;
}

QString OpenCourse::pendingChanges() const {
  QStringList all;
  for (const QStringList& waiting : waiting_) all += waiting;
  return all.join(QStringLiteral(", "));
}

}  // namespace course
