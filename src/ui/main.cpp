// Program entry: the calibration, the open course, the main window, then the database, in this
// order, because each relies on what the one before it set up (the main window reads the
// database directory that the open course then connects to).
//
// The window is on the screen as soon as it can be: the bare window is shown, its panels built,
// and only then is the store connected, so that a box the connection needs (the first start, a
// missing database, a server's password) comes over the whole window. The patient list is read
// on a thread of its own and fills the list when it is in; the disclaimer comes last.

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

  const std::optional<FactorTables> tables = ui::readCalibration(nullptr);
  if (!tables) return 1;  // no calibration: the reason was shown

  course::OpenCourse course(*tables);
  ui::MainWindow window(course, ui::MainWindow::Contents::AfterShow);
  window.show();
  // After the window is on the screen: the icon's pictures take a few milliseconds to prepare.
  QApplication::setWindowIcon(resources::programIcon());
  window.buildContents();
  ui::connectDatabase(course, &window, TDataPatient::ListRead::InBackground);
  window.showDisclaimerSoon();
  return app.exec();
}
