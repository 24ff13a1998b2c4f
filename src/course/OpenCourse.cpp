// The open course's machinery: the mode, the announcements of what changed, and the one write
// path every stored change takes.

#include "course/OpenCourse.h"

#include <QDateTime>

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
  follow(data_.ADOPatient, Part::Patient);
  follow(data_.ADOCourse, Part::Course);
  follow(data_.ADOImage, Part::Photographs);
  connect(&data_, &TDataPatient::photographToShow, this, [this](const QImage& picture, double) {
    picture_ = picture;
    pictureProblem_.clear();
    note(Part::Photographs);
  });
  connect(&data_, &TDataPatient::photographFailed, this, [this](const QString& problem) {
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
  for (const records::DataSet* cursor : {&data_.ADOPatient, &data_.ADOCourse, &data_.ADOImage})
    disconnect(cursor, nullptr, this, nullptr);
}

TDataPatient::ConnectResult OpenCourse::connectDatabase() {
  const Batch batch(*this);
  note(kAllParts);
  const TDataPatient::ConnectResult result = data_.DataModuleCreate();
  // Nothing searched yet: Select opens the list's current patient, when there is one.
  select_ = {};
  select_.enabled = data_.ADOPatient.active() && !data_.ADOPatient.isEmpty();
  return result;
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
  const Batch batch(*this);
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
    throw Error(QStringLiteral("No patient database is connected. Set the database directory on the About tab "
                               "(hold Ctrl while double-clicking it to keep it) and start the program again."));
  }
}

bool OpenCourse::courseOpen() const {
  return mode_ == Mode::Patient && data_.ADOCourse.active() && !data_.ADOCourse.isEmpty();
}

QString OpenCourse::courseName() const {
  const QString nhi = data_.ADOPatient.active() ? data_.ADOPatientHosp.asString() : QString();
  if (!data_.ADOCourse.active() || data_.ADOCourse.isEmpty()) return QStringLiteral("patient %1").arg(nhi);
  return QStringLiteral("course %1 of patient %2").arg(data_.ADOCourseCourseID.asString(), nhi);
}

std::optional<treatment::Exposure> OpenCourse::lifetime() const {
  if ((mode_ != Mode::Patient && mode_ != Mode::Loading) || !data_.ADOPatient.active() || data_.ADOPatient.isEmpty())
    return std::nullopt;
  return records::lifetimeExposure(data_);
}

std::optional<bool> OpenCourse::courseComplete() const {
  if (!data_.ADOCourse.active() || data_.ADOCourseComplete.isNull()) return std::nullopt;
  return data_.ADOCourseComplete.asBoolean();
}

// ---------------------------------------------------------------------------------------------
// The write path

records::DataSet& OpenCourse::cursor(Table table) {
  switch (table) {
    case Table::Patient: return data_.ADOPatient;
    case Table::Course: return data_.ADOCourse;
    case Table::Photograph: return data_.ADOImage;
  }
  return data_.ADOCourse;
}

void OpenCourse::store(Table table, const QString& what, const std::function<void()>& set, Reread again) {
  records::DataSet& rows = cursor(table);
  QStringList& waiting = waiting_[static_cast<std::size_t>(table)];
  const Parts part = table == Table::Patient ? Parts(Part::Patient)
                     : table == Table::Course ? Parts(Part::Course)
                                              : Parts(Part::Photographs);
  note(part);
  try {
    // A row left in edit by an earlier refusal stays in edit: its values are stored with these.
    if (rows.state() != records::DataSet::State::Edit) rows.edit();
    set();
  } catch (const records::DataError& e) {
    throw StoreError(what, e.message());  // this value was not taken; what waits, still waits
  }
  if (!waiting.contains(what)) waiting << what;
  try {
    rows.post();
  } catch (const records::DataError& e) {
    throw StoreError(waiting.join(QStringLiteral(", ")), e.message());
  }
  waiting.clear();
  if (again == Reread::Yes) reread(rows);
}

void OpenCourse::reread(records::DataSet& table) {
  const ModeScope quiet(*this, Mode::Quiet);
  data_.ReopenDataSet(table);
}

void OpenCourse::storePending(Table table) {
  records::DataSet& rows = cursor(table);
  if (rows.state() != records::DataSet::State::Edit) return;
  QStringList& waiting = waiting_[static_cast<std::size_t>(table)];
  try {
    rows.post();
  } catch (const records::DataError& e) {
    throw StoreError(waiting.isEmpty() ? QStringLiteral("a change of %1").arg(courseName())
                                       : waiting.join(QStringLiteral(", ")),
                     e.message());
  }
  waiting.clear();
}

void OpenCourse::storeAllPending() {
  for (Table table : {Table::Patient, Table::Course, Table::Photograph}) storePending(table);
}

bool OpenCourse::hasPendingChanges() const {
  for (const records::DataSet* rows : {&data_.ADOPatient, &data_.ADOCourse, &data_.ADOImage})
    if (rows->state() == records::DataSet::State::Edit) return true;
  return false;
}

QString OpenCourse::pendingChanges() const {
  QStringList all;
  for (const QStringList& waiting : waiting_) all += waiting;
  return all.join(QStringLiteral(", "));
}

}  // namespace course
