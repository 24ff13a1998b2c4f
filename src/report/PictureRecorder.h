#pragma once
// A paint device that keeps what is painted on it as a vector drawing: outlines, lines, text runs
// and bitmaps, with their clips, in the device's pixels (1/96 inch by default). Whatever can paint
// on a QPainter (a chart, for instance) thus becomes a picture that the screen, the printer and
// the PDF writer draw as vectors at any size.
//
// Text is kept as text in the report's face, at the size and place it was painted; fonts of
// other families are drawn in that face. Gradients are kept as their first colour.

#include <QPaintDevice>
#include <QSize>
#include <memory>

#include "report/DisplayList.h"

namespace report {

class PictureRecorder : public QPaintDevice {
 public:
  explicit PictureRecorder(QSize size, int dotsPerInch = 96);
  ~PictureRecorder() override;
  PictureRecorder(const PictureRecorder&) = delete;
  PictureRecorder& operator=(const PictureRecorder&) = delete;

  QPaintEngine* paintEngine() const override;

  // What has been painted so far. Its size is the device's; its font sizes are such that a
  // drawing scaled to millimetres has them in points.
  const Drawing& drawing() const;

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  class Engine;
  QSize size_;
  int dpi_;
  std::unique_ptr<Engine> engine_;
};

}  // namespace report
