// The clinical assessment of the open course and the patient's particulars, each field stored the
// moment it is changed or left, one column per write.

#include "base/DateTime.h"
#include "base/OneLine.h"
#include "course/OpenCourse.h"
#include "treatment/ClinicalLimits.h"

namespace course {

namespace {

struct TextColumn {
  records::Field records::Store::*field;
  const char* label;    // as the window labels the field
  bool oneLine = true;  // a line of text; the memos (address, medication, history) take several
};

TextColumn patientColumn(PatientText field) {
  switch (field) {
    case PatientText::Surname: return {&records::Store::patientSurname, "Surname"};
    case PatientText::FirstName: return {&records::Store::patientFirstName, "first name"};
    case PatientText::SecondName: return {&records::Store::patientSecondName, "second name"};
    case PatientText::HomePhone: return {&records::Store::patientHomePhone, "Home phone"};
    case PatientText::WorkPhone: return {&records::Store::patientWorkPhone, "Work phone"};
    case PatientText::CellPhone: return {&records::Store::patientMobilePhone, "Cell phone"};
    case PatientText::FamilyHistory: return {&records::Store::patientFamilyHistory, "Fam History"};
    case PatientText::Address: return {&records::Store::patientAddress, "Address", false};
  }
  return {&records::Store::patientSurname, "Surname"};
}

TextColumn courseColumn(CourseText field) {
  switch (field) {
    case CourseText::Diagnosis: return {&records::Store::courseDiagnosis, "Diagnosis"};
    case CourseText::TreatmentType: return {&records::Store::courseTreatmentType, "Treatment"};
    case CourseText::Duration: return {&records::Store::courseDuration, "How long?"};
    case CourseText::PreviousResult: return {&records::Store::coursePreviousResult, "Result"};
    case CourseText::Referral: return {&records::Store::courseReferrer, "Referred by"};
    case CourseText::Therapist: return {&records::Store::courseTherapist, "Therapist"};
    case CourseText::Medication: return {&records::Store::courseMedication, "Meds", false};
    case CourseText::Operations: return {&records::Store::courseHistory, "PMH major ops / illness", false};
  }
  return {&records::Store::courseDiagnosis, "Diagnosis"};
}

// What a field's text becomes in its column: a one-line field takes no control characters (a
// pasted tab or line feed becomes a blank), and no column takes more than its width.
QString columnText(const TextColumn& column, const records::Field& f, const QString& typed) {
  const QString text = column.oneLine ? text::blanked(typed) : typed;
  return f.size() > 0 ? text.left(f.size()) : text;
}

// Says so when a text was longer than its column.
std::optional<QString> cutNote(const TextColumn& column, const records::Field& f, const QString& typed) {
  const QString text = column.oneLine ? text::blanked(typed) : typed;
  if (f.size() <= 0 || text.size() <= f.size()) return std::nullopt;
  return QStringLiteral(
             "The %1 has %2 characters, more than the %3 its record keeps, so it was cut: \"%4\" was "
             "stored.")
      .arg(QLatin1String(column.label))
      .arg(text.size())
      .arg(f.size())
      .arg(text.left(f.size()));
}

// A value as a message shows it: short texts whole, long ones (memos) by their beginning.
QString shown(const QString& text) {
  constexpr int kLongest = 40;
  const QString oneLine = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
  return QStringLiteral("\"%1\"").arg(oneLine.size() > kLongest ? oneLine.left(kLongest) + QStringLiteral("...")
                                                                : oneLine);
}

records::Field records::Store::*choiceColumn(PatientChoice field) {
  switch (field) {
    case PatientChoice::Eyes: return &records::Store::patientEyes;
    case PatientChoice::Hair: return &records::Store::patientHair;
    case PatientChoice::SkinColour: return &records::Store::patientSkinColour;
    case PatientChoice::Language: return &records::Store::patientLanguage;
  }
  return &records::Store::patientEyes;
}

const char* choiceLabel(PatientChoice field) {
  switch (field) {
    case PatientChoice::Eyes: return "Eyes";
    case PatientChoice::Hair: return "Hair";
    case PatientChoice::SkinColour: return "Skin";
    case PatientChoice::Language: return "Lang";
  }
  return "";
}

// The text of a column of a current row, empty when there is no row or the column is null.
QString textOf(const records::Field& column) {
  const records::DataSet& rows = column.dataSet();
  if (!rows.active() || rows.isEmpty() || column.isNull()) return {};
  return column.asString();
}

int itemOf(const records::Field& column) {
  const records::DataSet& rows = column.dataSet();
  if (!rows.active() || rows.isEmpty() || column.isNull()) return -1;
  return column.asInteger();
}

}  // namespace

QString OpenCourse::patientText(PatientText field) const { return textOf(data_.*patientColumn(field).field); }

QString OpenCourse::courseText(CourseText field) const { return textOf(data_.*courseColumn(field).field); }

int OpenCourse::patientChoice(PatientChoice field) const { return itemOf(data_.*choiceColumn(field)); }

int OpenCourse::courseChoice(CourseChoice field) const {
  return itemOf(field == CourseChoice::Condition ? data_.courseAppearance : data_.courseFrequency);
}

int OpenCourse::previousTreatment() const { return itemOf(data_.coursePreviousTreatment); }

void OpenCourse::setPatientText(PatientText field, const QString& text) {
  const Batch batch(*this);
  if (mode_ != Mode::Patient || !data_.patients.active() || data_.patients.isEmpty()) return;
  const TextColumn column = patientColumn(field);
  records::Field& f = data_.*column.field;
  const QString value = columnText(column, f, text);
  store(
      Table::Patient,
      QStringLiteral("the %1 %2 of patient %3")
          .arg(QLatin1String(column.label), shown(value), data_.patientNhi.asString()),
      [&] { f.setString(value); }, Reread::No);
  if (const auto cut = cutNote(column, f, text)) emit warning(limits::kRefusalCaption, *cut);
}

void OpenCourse::setCourseText(CourseText field, const QString& text) {
  const Batch batch(*this);
  if (!courseOpen()) return;
  const TextColumn column = courseColumn(field);
  records::Field& f = data_.*column.field;
  // The diagnosis and the treatment type are chosen from a list that takes free text too; the
  // course is re-read after them, as after every list of the course.
  const bool fromList = field == CourseText::Diagnosis || field == CourseText::TreatmentType;
  const QString value = columnText(column, f, text);
  store(
      Table::Course, QStringLiteral("the %1 %2 of %3").arg(QLatin1String(column.label), shown(value), courseName()),
      [&] { f.setString(value); }, fromList ? Reread::Yes : Reread::No);
  if (const auto cut = cutNote(column, f, text)) emit warning(limits::kRefusalCaption, *cut);
}

void OpenCourse::setPatientChoice(PatientChoice field, int item) {
  const Batch batch(*this);
  if (mode_ != Mode::Patient || item < 0 || !data_.patients.active() || data_.patients.isEmpty()) return;
  records::Field& column = data_.*choiceColumn(field);
  store(
      Table::Patient,
      QStringLiteral("the %1 choice %2 of patient %3")
          .arg(QLatin1String(choiceLabel(field)))
          .arg(item)
          .arg(data_.patientNhi.asString()),
      [&] { column.setInteger(static_cast<quint16>(item)); }, Reread::No);
}

void OpenCourse::setCourseChoice(CourseChoice field, int item) {
  const Batch batch(*this);
  if (!courseOpen() || item < 0) return;
  records::Field& f = field == CourseChoice::Condition ? data_.courseAppearance : data_.courseFrequency;
  const char* label = field == CourseChoice::Condition ? "Condition" : "treatment frequency";
  store(
      Table::Course, QStringLiteral("the %1 choice %2 of %3").arg(QLatin1String(label)).arg(item).arg(courseName()),
      [&] { f.setInteger(item); }, Reread::Yes);
}

void OpenCourse::setPreviousTreatment(int answer) {
  const Batch batch(*this);
  note(Part::Course);
  // A result only follows a previous treatment; this holds in every mode.
  previousResultEnabled_ = answer == 0;
  if (!courseOpen() || answer < 0 || answer > 1) return;
  store(
      Table::Course,
      QStringLiteral("the Previous Rx answer \"%1\" of %2").arg(answer == 0 ? "Yes" : "No", courseName()),
      [&] { data_.coursePreviousTreatment.setInteger(answer); }, Reread::No);
}

void OpenCourse::setAssessmentDate(double date) {
  const Batch batch(*this);
  note(Part::Course);
  assessment_ = {date, false};
  if (!courseOpen()) return;
  store(
      Table::Course,
      QStringLiteral("the Assessment date %1 of %2")
          .arg(datetime::toQDateTime(date).date().toString(Qt::ISODate), courseName()),
      [&] { data_.courseAssessed.setDateTime(date); }, Reread::Yes);
}

void OpenCourse::setContraindications(int mask) {
  const Batch batch(*this);
  note(Part::Course);
  cautions_ = mask & 63;
  if (!courseOpen()) return;
  store(
      Table::Course, QStringLiteral("the contraindications of %1").arg(courseName()),
      [&] { data_.courseCautions.setInteger(cautions_); }, Reread::Yes);
}

}  // namespace course
