// The body diagram on the main window: the outline with the open course's spots.

#include <QLabel>
#include <QPixmap>

#include "diagram/BodyDiagram.h"
#include "resources/Resources.h"
#include "shell/JpegCodec.h"
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
