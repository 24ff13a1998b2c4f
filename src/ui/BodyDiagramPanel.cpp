// The body diagram on the main window: the outline with the open course's spots, clicks that add
// or take back a spot, and the spots in the course row.

#include <QLabel>
#include <QPixmap>

#include "diagram/BodyDiagram.h"
#include "diagram/CourseSpots.h"
#include "diagram/Spots.h"
#include "records/Data.h"
#include "resources/Resources.h"
#include "base/AppState.h"
#include "base/JpegCodec.h"
#include "shell/SkinU.h"

namespace {
// The outline never changes: decode it once.
const QImage& outlinePicture() {
  static const QImage picture = jpeg::decode(resources::personJpeg());
  return picture;
}
}  // namespace

void TForm1::ClearImage() {
  const QImage& outline = outlinePicture();
  const diagram::Scale scale = diagram::scaleFor(ImgPerson->size(), outline.size());
  ScX = scale.x;
  ScY = scale.y;
  Person_Img = diagram::render(outline, ImgPerson->size(), {}, scale);
  ImgPerson->setPixmap(QPixmap::fromImage(Person_Img));
}

void TForm1::DrawSpots() {
  ClearImage();
  Person_Img = diagram::render(outlinePicture(), ImgPerson->size(), Spots, {ScX, ScY});
  ImgPerson->setPixmap(QPixmap::fromImage(Person_Img));
  ImgPerson->repaint();
}

void TForm1::ImgPersonClick(QPoint clicked, bool ctrlDown) {
  diagram::clickSpots(Spots, clicked, ctrlDown, {ScX, ScY});
  // The drawing shows the list as it is even when the store refuses it; the refusal is reported.
  try {
    DBSaveSpots();
  } catch (...) {
    DrawSpots();
    throw;
  }
  DrawSpots();
}

void TForm1::DBSaveSpots() {
  if (AppState != PatientMode) return;
  TDataPatient& d = *DataPatient;
  d.ADOCourse.edit();
  try {
    diagram::storeCourseSpots(d, Spots);
    d.ADOCourse.post();
  } catch (...) {
    // A refused write leaves the row as it was rather than half-edited for the next move to post.
    if (d.ADOCourse.state() == records::DataSet::State::Edit) d.ADOCourse.cancel();
    throw;
  }
  d.ReopenDataSet(d.ADOCourse);
}

void TForm1::DBLoadSpots() {
  // A course whose spots were never written keeps the list as it is (emptied by Clear).
  if (auto stored = diagram::loadCourseSpots(*DataPatient)) Spots = std::move(*stored);
  DrawSpots();
}
