// Program entry: the calibration, the open course, the main window, then the database, in this
// order, because each relies on what the one before it set up (the main window reads the
// database directory that the open course then connects to).

#include <QApplication>
#include <QDir>

#include "base/Directories.h"
#include "course/OpenCourse.h"
#include "resources/Resources.h"
#include "ui/MainWindow.h"
#include "ui/Startup.h"

int main(int argc, char** argv) {
  StartDir = QDir::currentPath();  // before any window exists

  QApplication app(argc, argv);
  QApplication::setApplicationName("NB UVB Calculator");
  QApplication::setOrganizationName("Venmore");
  QGuiApplication::setDesktopFileName("halcyra");
  QApplication::setWindowIcon(resources::programIcon());

  const std::optional<FactorTables> tables = ui::readCalibration(nullptr);
  if (!tables) return 1;  // no calibration: the reason was shown

  course::OpenCourse course(*tables);
  ui::MainWindow window(course);
  ui::connectDatabase(course, &window);
  window.show();
  return app.exec();
}
