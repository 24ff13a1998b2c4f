#pragma once
// A working department for the demonstration: clearly fictional patients with courses pending,
// under way and finished, written through the open course exactly as a therapist would make them in
// the window (names typed and "Select", skin type, age, a tone panel, the assessment, increments
// edited in the schedule, treatments recorded with every response and burn grade, spots clicked on
// the body diagram, photographs dropped and annotated).

#include <QString>

namespace course {

class OpenCourse;

namespace demo {

struct Written {
  int patients = 0;
  int courses = 0;
  int treatments = 0;  // recorded
  int photographs = 0;
};

// Writes the department into the store `course` is connected to, which must hold no patients yet
// (course::Error otherwise). The photographs are painted (course/DemoPictures.h) into JPEG files in
// `photographFolder`, dated like the visits they belong to, and added as a drop adds them; the
// files stay there, to be dropped on a course by hand too. Visits are dated in the weeks and months
// before `today` (days since 1899-12-30), so the department looks current whenever it is made.
Written writeDepartment(OpenCourse& course, const QString& photographFolder, double today);

}  // namespace demo
}  // namespace course
