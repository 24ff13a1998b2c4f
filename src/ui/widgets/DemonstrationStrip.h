#pragma once
// The red strip across the top of the main window while the program runs on a demonstration
// calibration (the dose factor file marks itself as one): "Demonstration calibration: not for
// clinical use". The window makes it only for such a calibration, and it stays as long as the
// program runs.

#include <QLabel>

namespace ui {

class DemonstrationStrip : public QLabel {
  Q_OBJECT
 public:
  explicit DemonstrationStrip(QWidget* parent = nullptr);
};

}  // namespace ui
