// The pictures of the open course: the body diagram with its lesion spots, and the photographs
// (dropped files, stepping through them, their dates and notes, deleting).

#include <QDateTime>
#include <QDir>

#include "base/DateTime.h"
#include "base/JpegCodec.h"
#include "course/OpenCourse.h"
#include "diagram/CourseSpots.h"
#include "diagram/Photographs.h"
#include "diagram/Spots.h"
#include "records/DataError.h"
#include "resources/Resources.h"

namespace course {

namespace {

// The outline never changes: decoded once.
const QImage& outlinePicture() {
  static const QImage picture = jpeg::decode(resources::personJpeg());
  return picture;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The body diagram

void OpenCourse::redrawDiagram() {
  const QImage& outline = outlinePicture();
  scale_ = diagram::scaleFor(diagramSize_, outline.size());
  diagram_ = diagram::render(outline, diagramSize_, spots_, scale_);
  note(Part::Spots);
}

void OpenCourse::setDiagramSize(QSize shown) {
  const Batch batch(*this);
  if (shown == diagramSize_ || shown.isEmpty()) return;
  diagramSize_ = shown;
  redrawDiagram();
}

void OpenCourse::clickDiagram(QPoint shown, bool ctrl) {
  const Batch batch(*this);
  diagram::clickSpots(spots_, shown, ctrl, scale_);
  // Only the open course keeps spots; the drawing shows the list as it is in any case.
  struct Redraw {
    OpenCourse& course;
    ~Redraw() { course.redrawDiagram(); }
  } redraw{*this};
  if (courseOpen()) {
    store(
        Table::Course, QStringLiteral("the spots on the body diagram of %1").arg(courseName()),
        [&] { diagram::storeCourseSpots(data_, spots_); }, Reread::Yes);
  }
}

// ---------------------------------------------------------------------------------------------
// Photographs

int OpenCourse::photographCount() const { return data_.photos.active() ? data_.photos.recordCount() : 0; }

int OpenCourse::photographNumber() const { return data_.photos.active() ? data_.photos.recNo() : 0; }

ShownDate OpenCourse::photographDate() const {
  if (!data_.photos.active() || data_.photos.isEmpty() || data_.photoDate.isNull()) return {};
  return {data_.photoDate.asDateTime(), false};
}

QString OpenCourse::photographNote() const {
  if (!data_.photos.active() || data_.photos.isEmpty()) return {};
  return data_.photoNote.asString();
}

std::vector<PhotographRow> OpenCourse::photographs() const {
  std::vector<PhotographRow> rows;
  const records::DataSet& images = data_.photos;
  if (!images.active()) return rows;
  const int id = data_.photoId.index(), when = data_.photoDate.index();
  const int note = data_.photoNote.index(), jpeg = data_.photoJpeg.index();
  for (int n = 1; n <= images.recordCount(); ++n) {
    PhotographRow row;
    row.imageId = images.valueAt(n, id).toInt();
    const QVariant date = images.valueAt(n, when);
    if (!date.isNull()) row.when = date.toDouble();
    row.note = images.valueAt(n, note).toString();
    row.jpeg = images.valueAt(n, jpeg).toByteArray();
    rows.push_back(std::move(row));
  }
  return rows;
}

void OpenCourse::loadPhotographs() {
  note(Part::Photographs);
  if (photographCount() == 0) {
    photographsShown_ = false;
    picture_ = QImage();
    pictureProblem_.clear();
    return;
  }
  photographsShown_ = true;
  data_.photographMoved();
}

QSize OpenCourse::addPhotographFile(const QString& path) {
  const Batch batch(*this);
  if (!courseOpen()) throw Error(QStringLiteral("No course is open, so the photograph was not added."));
  const diagram::PhotographFile photograph = diagram::readPhotographFile(path);
  // The new row is appended after the photograph shown: a note of it still waiting goes first.
  try {
    together([&] {
      storeStaged({Table::Photograph});
      touched_ = true;
      data_.addPhotograph(photograph.picture, photograph.whenDate);
    });
  } catch (const records::DataError& e) {
    // Nothing of it is kept; the file is still there to be dropped again.
    throw Error(QStringLiteral("The photograph \"%1\" was not added to %2: %3")
                    .arg(QDir::toNativeSeparators(path), courseName(), e.message()));
  }
  loadPhotographs();
  return photograph.picture.size();
}

DroppedFiles OpenCourse::addPhotographs(const QStringList& paths) {
  const Batch batch(*this);
  DroppedFiles result;
  for (const QString& path : paths) {
    if (!diagram::isPhotographFile(path) || !courseOpen()) continue;
    try {
      addPhotographFile(path);
      ++result.added;
    } catch (const std::exception& e) {
      result.failures << reasonOf(e);
    }
  }
  return result;
}

void OpenCourse::setPhotographNote(const QString& note) {
  const Batch batch(*this);
  if (!courseOpen() || !data_.photos.active() || data_.photos.isEmpty()) return;
  store(
      Table::Photograph, QStringLiteral("the note of photograph %1 of %2").arg(data_.photos.recNo()).arg(courseName()),
      [&] { data_.photoNote.setString(note); }, Reread::No);
}

void OpenCourse::setPhotographDate(double date) {
  const Batch batch(*this);
  if (!courseOpen() || !data_.photos.active() || data_.photos.isEmpty()) return;
  store(
      Table::Photograph,
      QStringLiteral("the date %1 of photograph %2 of %3")
          .arg(datetime::toQDateTime(date).date().toString(Qt::ISODate))
          .arg(data_.photos.recNo())
          .arg(courseName()),
      [&] { data_.photoDate.setDateTime(date); }, Reread::No);
}

void OpenCourse::stepPhotograph(bool next) {
  const Batch batch(*this);
  records::DataSet& images = data_.photos;
  if (!images.active() || images.isEmpty()) return;
  storeStaged({Table::Photograph});  // a note waiting stays with its own photograph
  const int count = images.recordCount(), at = images.recNo();
  if (next) {
    if (at < count) images.next();
  } else if (at > 1) {
    images.prior();
  }
}

void OpenCourse::showLastPhotograph() {
  const Batch batch(*this);
  records::DataSet& images = data_.photos;
  if (!images.active() || images.isEmpty()) return;
  storeStaged({Table::Photograph});  // a note waiting stays with its own photograph
  if (images.recNo() != images.recordCount()) images.last();
}

void OpenCourse::deletePhotograph() {
  const Batch batch(*this);
  records::DataSet& images = data_.photos;
  if (!courseOpen() || !images.active() || images.isEmpty()) return;
  // The photograph goes with whatever of it was waiting to be stored.
  waiting_[static_cast<std::size_t>(Table::Photograph)].clear();
  images.deleteRow();
  loadPhotographs();
}

}  // namespace course
