#include "course/DemoDepartment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cmath>
#include <vector>

#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "course/DemoPictures.h"
#include "course/OpenCourse.h"

namespace course::demo {

namespace {

// ---------------------------------------------------------------------------------------------
// The department, as data: who the patients are, and what happened in each course.

struct Visit {
  std::int8_t condition;  // 1 "Missed", 2 "Worse", 3 "Same", 4 "Clearing"
  std::int8_t burn = 0;   // 0, or 5..7 "Burn I".."Burn III"
};

struct CourseScript {
  int skinType;          // item of the skin-type list
  int tone;              // the tone panel clicked (0..2); -1: the MED is typed
  const char* typedMed;  // with tone -1
  int startedDaysAgo;    // the first treatment, before today
  int schedule;          // "11011", "3/Week", "2/Week", "As Required"
  int skinCondition;     // "Flakey", "Scaley", "Red", "Pink"
  const char* diagnosis;
  const char* treatmentType;
  const char* duration;
  const char* medication;
  const char* operations;
  const char* referral;
  const char* therapist;
  const char* initials;   // three positions, as the initials field gives them
  int previousTreatment;  // -1 none, 0 "Yes", 1 "No"
  const char* previousResult;
  int contraindications;                                // the boxes' bits
  std::vector<std::pair<int, const char*>> increments;  // "% Inc" cells typed before the first visit
  std::vector<Visit> visits;                            // treatments 1, 2, ... in order
  bool stopped;                                         // the last visit ticked "Stop Treatment"
  std::vector<QPoint> spots;                            // clicked on the body outline, as shown at its own size
  std::vector<const char*> notes;                       // one photograph per note, spread over the course
};

struct PatientScript {
  const char* nhi;
  const char* first;
  const char* second;
  const char* surname;
  const char* age;
  int birthYearsAgo;
  int language, eyes, hair, skinColour;
  const char* home;
  const char* cell;
  const char* work;
  const char* address;
  const char* familyHistory;
  int pictureTone;  // background of the painted photographs, pale 0 .. dark 5
  std::vector<CourseScript> courses;
};

constexpr Visit S{3}, C{4}, M{1}, W{2};
constexpr Visit SB1{3, 5}, WB2{2, 6}, WB3{2, 7}, CB1{4, 5};

std::vector<Visit> repeat(Visit v, int n) { return std::vector<Visit>(static_cast<std::size_t>(n), v); }
std::vector<Visit> join(std::initializer_list<std::vector<Visit>> parts) {
  std::vector<Visit> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<PatientScript> department() {
  // clang-format off
  return {
      {"DEM0001", "Ada", "", "Example", "34", 34, 2, 0, 1, 0, "555-0101", "555-0111", "", "1 Example Street\nSampletown",
       "Mother: psoriasis", 0,
       {{1, 1, nullptr, 120, 2, 1, "Psioriasis", "NB UVB - Low", "6 years", "Calcipotriol ointment", "None",
         "Dr A. Placeholder", "T. Demo", "TD ", 0, "Cleared, relapsed", 0, {},
         join({repeat(S, 5), {SB1}, repeat(S, 4), repeat(C, 12), {C}}), true,
         {{40, 105}, {178, 108}, {62, 192}, {57, 18}}, {"Left elbow before the first treatment: thick plaques",
                                                          "Week 6: plaques thinner, less scale",
                                                          "Last treatment: nearly clear"}}}},
      {"DEM0002", "Ben", "", "Sample", "52", 52, 2, 3, 3, 1, "555-0102", "", "555-0122", "22 Sample Road\nExampleton",
       "", 2,
       {{2, 1, nullptr, 330, 1, 0, "Psioriasis", "NB UVB - High", "12 years", "Methotrexate 10 mg weekly",
         "Knee replacement 2015", "Dr B. Fictional", "T. Demo", "TD ", 1, "", 16, {},
         join({repeat(S, 7), {WB2}, repeat(S, 4), repeat(C, 8)}), true, {{65, 60}, {150, 150}}, {}},
        {2, 1, nullptr, 30, 2, 1, "Psioriasis", "NB UVB - Low", "12 years", "Methotrexate 10 mg weekly",
         "Knee replacement 2015", "Dr B. Fictional", "R. Sample", "RS ", 0, "Good response", 16, {{1, "60"}},
         join({repeat(S, 6), {C, C}}), false, {{150, 150}, {165, 160}, {40, 112}},
         {"Lower back at the start of the second course", "Week 4: edges fading"}}}},
      {"DEM0003", "Clara", "", "Demo", "27", 27, 2, 1, 1, 0, "555-0103", "555-0133", "", "3 Demo Lane\nSampletown",
       "Sister: vitiligo", 0,
       {{0, 0, nullptr, 0, 3, 3, "Vitiligo (Skin I)", "Vitiligo UVB Low", "2 years", "Tacrolimus ointment", "", 
         "Dr C. Example", "T. Demo", "TD ", 1, "", 8 | 32, {}, {}, false, {{45, 80}, {80, 82}},
         {"Both hands at assessment"}}}},
      {"DEM0004", "Dieter", "", "Testfall", "61", 61, 4, 2, 4, 1, "555-0104", "", "", "Beispielweg 4\nMusterstadt",
       "", 3,
       {{3, 1, nullptr, 45, 1, 1, "Psioriasis", "NB UVB - High", "20 years", "Acitretin 25 mg", "Cholecystectomy",
         "Dr D. Muster", "R. Sample", "RS ", 0, "Partial", 2 | 16, {{2, "10"}, {3, "10"}},
         join({repeat(S, 3), {M}, {W}, repeat(S, 3), {WB3}, {S}, {S}, {C}}), false,
         {{38, 108}, {83, 108}, {170, 102}, {182, 200}, {60, 230}},
         {"Both elbows at the start", "After the Burn III on treatment 9: redness settling"}}}},
      {"DEM0005", "Élodie", "", "Exemple", "45.5", 45, 3, 0, 3, 2, "555-0105", "", "", "5 rue de l'Exemple\nVilledemo",
       "", 4,
       {{4, 2, nullptr, 150, 1, 2, "Eczema", "NB UVB - Low", "3 years", "Emollients", "", "Dr E. Fictif",
         "T. Demo", "TD ", 1, "", 0, {}, join({repeat(S, 8), {CB1}, repeat(C, 20)}), false, {{60, 150}},
         {"Hands and wrists at assessment", "Week 8", "Week 14: clear"}}}},
      {"DEM0006", "Ľubica", "", "Ukážka", "19", 19, 7, 1, 2, 0, "555-0106", "555-0166", "", "Ukážková 6\nDemovo",
       "Father: psoriasis", 1,
       {{1, 0, nullptr, 20, 2, 0, "Psioriasis", "NB UVB - Low", "1 year", "", "", "Dr Ľ. Príklad", "T. Demo", "TD ",
         1, "", 1, {}, repeat(S, 5), false, {{58, 25}, {157, 25}}, {"Scalp line at the start"}}}},
      {"DEM0007", "Ömer", "", "Örnek", "38", 38, 6, 3, 4, 3, "555-0107", "", "555-0177", "Örnek Sokak 7\nDemoköy",
       "", 5,
       {{5, 1, nullptr, 0, 2, 0, "Psioriasis", "NB UVB - High", "8 years", "Ciclosporin (stopped)", "",
         "Dr Ö. Deneme", "R. Sample", "RS ", 0, "Some effect", 4, {}, {}, false, {{170, 120}}, {}}}},
      {"DEM0008", "Inés", "", "Muestra", "29", 29, 5, 3, 3, 1, "555-0108", "", "", "Calle Ejemplo 8\nVilla Demo",
       "", 2,
       {{6, -1, "400", 9, 0, 1, "Psioriasis", "NB UVB - High", "5 years", "", "", "Dr I. Ejemplo", "T. Demo",
         "TD ", 1, "", 0, {}, {S, C, C}, false, {{40, 150}, {80, 150}}, {"Forearms after treatment 3"}}}},
  };
  // clang-format on
}

constexpr double kDaysBetweenVisits = 3.5;
constexpr int kPhotographQuality = 92;

treatment::TreatmentEntry entryFor(const OpenCourse& course, const CourseScript& script, int row, Visit visit,
                                   double when) {
  treatment::TreatmentEntry e;
  e.condition = visit.condition;
  e.burn = visit.burn;
  e.when = when;
  e.initials = QString::fromUtf8(script.initials);
  if (visit.condition == Missed) {
    e.time = QStringLiteral("  :  ");  // the patient did not come: nothing delivered
    return e;
  }
  // What the unit delivered: the planned dose, the lamp a little warmer as the session lengthens.
  e.dose = static_cast<float>(std::nearbyint(course.dosing().plannedDose()[static_cast<std::size_t>(row - 1)]));
  e.temperature = 36.0f + 0.1f * static_cast<float>(row % 9);
  const int seconds = 40 + 9 * row;
  e.time =
      QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QLatin1Char(' ')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
  return e;
}

// A painted photograph of the visit, dated like it, then dropped on the course and annotated.
void addPhotograph(OpenCourse& course, const QString& folder, const PatientScript& patient, int courseNumber, int index,
                   const char* note, double when, double clearing) {
  const QImage picture = paintPhotograph(900, 700, patient.pictureTone, 3, clearing,
                                         qHash(QString::fromLatin1(patient.nhi)) + 31u * courseNumber + index);
  const QString path =
      QDir(folder).filePath(QStringLiteral("%1-course%2-%3.jpg").arg(patient.nhi).arg(courseNumber).arg(index + 1));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(jpeg::encode(picture, kPhotographQuality)) < 0) {
    throw Error(QStringLiteral("The demonstration photograph \"%1\" cannot be written: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString()));
  }
  file.setFileTime(datetime::toQDateTime(when), QFileDevice::FileModificationTime);
  file.close();
  course.addPhotographFile(path);
  course.setPhotographNote(QString::fromUtf8(note));
}

void writeCourse(OpenCourse& course, const PatientScript& patient, const CourseScript& script, int courseNumber,
                 const QString& folder, double today, Written& written) {
  const double start = std::floor(today) - script.startedDaysAgo + 10.0 / 24;  // visits at ten in the morning
  course.setSkinType(script.skinType);
  course.setAge(QString::fromLatin1(patient.age));
  if (script.tone >= 0) {
    course.chooseTone(script.tone);
  } else {
    course.setMed(QString::fromLatin1(script.typedMed));
  }
  course.setCourseText(CourseText::Diagnosis, QString::fromUtf8(script.diagnosis));
  course.setCourseText(CourseText::TreatmentType, QString::fromUtf8(script.treatmentType));
  course.setCourseText(CourseText::Duration, QString::fromUtf8(script.duration));
  course.setCourseText(CourseText::Medication, QString::fromUtf8(script.medication));
  course.setCourseText(CourseText::Operations, QString::fromUtf8(script.operations));
  course.setCourseText(CourseText::Referral, QString::fromUtf8(script.referral));
  course.setCourseText(CourseText::Therapist, QString::fromUtf8(script.therapist));
  course.setCourseChoice(CourseChoice::Condition, script.skinCondition);
  course.setCourseChoice(CourseChoice::Schedule, script.schedule);
  if (script.previousTreatment >= 0) course.setPreviousTreatment(script.previousTreatment);
  if (*script.previousResult)
    course.setCourseText(CourseText::PreviousResult, QString::fromUtf8(script.previousResult));
  course.setAssessmentDate(start - 7);
  course.setContraindications(script.contraindications);
  if (!script.increments.empty()) {
    dosing::RowTexts cells = course.dosing().grid().inc;
    for (const auto& [row, text] : script.increments)
      cells[static_cast<std::size_t>(row - 1)] = QString::fromLatin1(text);
    course.setIncrements(cells);
  }
  for (const QPoint& spot : script.spots) course.clickDiagram(spot, false);

  const int visits = static_cast<int>(script.visits.size());
  const int photographs = static_cast<int>(script.notes.size());
  // The photographs are taken at the first visit, at the last, and evenly between.
  auto visitOfPhotograph = [&](int i) {
    return photographs <= 1 ? 0 : i * std::max(visits - 1, 0) / (photographs - 1);
  };
  int nextPhotograph = 0;
  auto photographsUpTo = [&](int visit, double when) {
    while (nextPhotograph < photographs && visitOfPhotograph(nextPhotograph) <= visit) {
      const double clearing = visits <= 1 ? 0.0 : double(visitOfPhotograph(nextPhotograph)) / (visits - 1);
      addPhotograph(course, folder, patient, courseNumber, nextPhotograph,
                    script.notes[static_cast<std::size_t>(nextPhotograph)], when, clearing);
      ++nextPhotograph;
      ++written.photographs;
    }
  };
  if (visits == 0) photographsUpTo(0, start - 7);  // a course still to start: photographed at assessment
  for (int k = 0; k < visits; ++k) {
    const int row = k + 1;
    const double when = start + std::floor(k * kDaysBetweenVisits);
    const Visit visit = script.visits[static_cast<std::size_t>(k)];
    course.recordTreatment(row, entryFor(course, script, row, visit, when), script.stopped && k == visits - 1);
    ++written.treatments;
    photographsUpTo(k, when + 0.01);
    // After a burn the therapist holds the dose: the next two increments are typed as 0.
    if (visit.burn != 0 && row < kTreatments) {
      dosing::RowTexts cells = course.dosing().grid().inc;
      for (int r = row; r < std::min(row + 2, kTreatments); ++r)
        cells[static_cast<std::size_t>(r)] = QStringLiteral("0");
      course.setIncrements(cells);
    }
  }
  ++written.courses;
}

}  // namespace

Written writeDepartment(OpenCourse& course, const QString& photographFolder, double today) {
  if (course.mode() != Mode::List)
    throw Error(QStringLiteral("A course is open: the demonstration is written from the list."));
  if (course.data().patients.active() && course.data().patients.recordCount() > 0) {
    throw Error(
        QStringLiteral("The database already holds patients. The demonstration department is written only "
                       "into a new, empty database."));
  }
  if (!QDir().mkpath(photographFolder)) {
    throw Error(QStringLiteral("The folder \"%1\" for the demonstration photographs cannot be made.")
                    .arg(QDir::toNativeSeparators(photographFolder)));
  }
  Written written;
  for (const PatientScript& patient : department()) {
    for (std::size_t c = 0; c < patient.courses.size(); ++c) {
      course.setSearchText(SearchField::Nhi, QString::fromLatin1(patient.nhi));
      course.setSearchText(SearchField::Surname, QString::fromUtf8(patient.surname));
      course.setSearchText(SearchField::FirstName, QString::fromUtf8(patient.first));
      course.setSearchText(SearchField::SecondName, QString::fromUtf8(patient.second));
      if (c > 0) course.setNewCourse(true);
      if (course.select() != SelectOutcome::Opened) {
        throw Error(
            QStringLiteral("The demonstration patient %1 could not be opened.").arg(QString::fromLatin1(patient.nhi)));
      }
      if (c == 0) {
        ++written.patients;
        course.setBirthDate(std::floor(today) - patient.birthYearsAgo * 365.25 - 40);
        course.setPatientText(PatientText::HomePhone, QString::fromLatin1(patient.home));
        course.setPatientText(PatientText::CellPhone, QString::fromLatin1(patient.cell));
        course.setPatientText(PatientText::WorkPhone, QString::fromLatin1(patient.work));
        course.setPatientText(PatientText::Address, QString::fromUtf8(patient.address));
        course.setPatientText(PatientText::FamilyHistory, QString::fromUtf8(patient.familyHistory));
        course.setPatientChoice(PatientChoice::Language, patient.language);
        course.setPatientChoice(PatientChoice::Eyes, patient.eyes);
        course.setPatientChoice(PatientChoice::Hair, patient.hair);
        course.setPatientChoice(PatientChoice::SkinColour, patient.skinColour);
      }
      writeCourse(course, patient, patient.courses[c], static_cast<int>(c) + 1, photographFolder, today, written);
      course.returnToList();
    }
  }
  return written;
}

}  // namespace course::demo
